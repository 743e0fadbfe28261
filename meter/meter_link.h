#pragma once
// The meter link state: one per program, for the whole run.
// Written by: the meter connection (Connected and Device on device changes;
// Pending, RequestKind and Command in its requests; the replies in its report
// handler SaveRead) and the windows (Busy, the marker of who uses the meter).

#include <QtGlobal>
#include <array>

namespace sonavistor {

class THidDevice;

enum RequestKindValue : quint32 {
    KindNone = 0,
    KindLive = 1,
    KindCount = 2,
    KindPages = 4,
    KindDates = 5,
};

struct MeterLinkData {
    bool Connected = false;
    THidDevice* Device = nullptr;
    bool Pending = false;
    quint32 RequestKind = KindNone;
    std::array<quint8, 65> Command{};  // byte 0 the report id, 1..64 the payload
    std::array<int, 64> Reply{};
    qint32 LiveLevel = 0;   // tenths of a dB
    qint32 LiveStatus = 0;  // status byte of the last live reading
    qint32 RecordCount = 0;
    qint32 PageIndex = 0;
    qint32 PagesLeft = 0;
    qint32 EndPending = 0;
    qint16 Busy = 0;  // 0 idle, 10 live measuring, 30 importing
};

extern MeterLinkData MeterLink;

}  // namespace sonavistor
