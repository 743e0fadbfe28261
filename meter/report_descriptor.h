#pragma once
// The report lengths a HID report descriptor declares, as the controller
// counts them: the largest input and output report in bytes, the report id
// byte included (0 for devices without numbered reports).

#include "meter/hid_platform.h"

#include <QByteArray>

namespace sonavistor {

struct ReportLayout {
    HidCaps caps;
    bool numbered = false;  // the device uses report ids
};

ReportLayout parseReportDescriptor(const QByteArray& descriptor);

}  // namespace sonavistor
