#include "meter/meter_link.h"

namespace sonavistor {

MeterLinkData MeterLink;

}  // namespace sonavistor
