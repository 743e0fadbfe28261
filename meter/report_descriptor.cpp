#include "meter/report_descriptor.h"

#include <map>

namespace sonavistor {

ReportLayout parseReportDescriptor(const QByteArray& d)
{
    ReportLayout layout;
    quint32 reportSize = 0;
    quint32 reportCount = 0;
    quint32 reportId = 0;
    std::map<quint32, quint32> inputBits;   // per report id
    std::map<quint32, quint32> outputBits;
    for (qsizetype i = 0; i < d.size();) {
        const quint8 prefix = static_cast<quint8>(d[i]);
        if (prefix == 0xFE) {  // long item: skip it
            if (i + 1 >= d.size())
                break;
            i += 3 + static_cast<quint8>(d[i + 1]);
            continue;
        }
        const int sizeCode = prefix & 0x03;
        const int size = sizeCode == 3 ? 4 : sizeCode;
        quint32 value = 0;
        for (int b = 0; b < size && i + 1 + b < d.size(); ++b)
            value |= static_cast<quint32>(static_cast<quint8>(d[i + 1 + b])) << (8 * b);
        switch (prefix & 0xFC) {
        case 0x74: reportSize = value; break;           // Report Size
        case 0x94: reportCount = value; break;          // Report Count
        case 0x84:                                      // Report ID
            reportId = value;
            layout.numbered = true;
            break;
        case 0x80: inputBits[reportId] += reportSize * reportCount; break;   // Input
        case 0x90: outputBits[reportId] += reportSize * reportCount; break;  // Output
        default: break;
        }
        i += 1 + size;
    }
    const auto longest = [](const std::map<quint32, quint32>& bits) {
        quint32 most = 0;
        for (const auto& [id, count] : bits)
            most = std::max(most, count);
        return static_cast<int>((most + 7) / 8);
    };
    // Lengths include the report id byte, also where the device sends none.
    const int in = longest(inputBits);
    const int out = longest(outputBits);
    layout.caps.InputReportByteLength = in > 0 ? in + 1 : 0;
    layout.caps.OutputReportByteLength = out > 0 ? out + 1 : 0;
    return layout;
}

}  // namespace sonavistor
