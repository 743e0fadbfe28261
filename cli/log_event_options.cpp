#include "cli/log_event_options.h"

#include "cli/noise_output.h"

namespace sonavistor::cli {

bool takeLogEventOption(const QStringList& args, int& i, NoiseOptions& options, Output io, int& status)
{
    // --periods and --events are info's requests for output: no options of log.
    if (args[i] == QLatin1String("--periods") || args[i] == QLatin1String("--events"))
        return false;
    NoiseRequest request;
    request.options = options;
    QString error;
    if (!takeNoiseOption("log", args, i, request, error))
        return false;
    if (!error.isEmpty()) {
        io.err << error << Qt::endl;
        status = kUsage;
        return true;
    }
    options = request.options;
    return true;
}

}  // namespace sonavistor::cli
