#pragma once
// Who uses the meter: a measurement, an import, the clock setting. One user
// at a time holds a reservation taken from the connection; it is given back
// when the reservation goes, on every path.

#include <QtGlobal>

namespace sonavistor {

// The busy marker's values while the meter is reserved (0 when it is not).
enum class MeterUse : qint16 {
    Measuring = 10,
    Importing = 30,
    SettingClock = 80,
};

class MeterReservation {
public:
    MeterReservation() = default;  // holds nothing
    ~MeterReservation() { release(); }
    MeterReservation(MeterReservation&& other) noexcept : marker_(other.marker_), use_(other.use_)
    {
        other.marker_ = nullptr;
    }
    MeterReservation& operator=(MeterReservation&& other) noexcept
    {
        if (this != &other) {
            release();
            marker_ = other.marker_;
            use_ = other.use_;
            other.marker_ = nullptr;
        }
        return *this;
    }
    MeterReservation(const MeterReservation&) = delete;
    MeterReservation& operator=(const MeterReservation&) = delete;

    explicit operator bool() const { return marker_ != nullptr; }

    // Gives the meter back. Only this reservation's own marker is cleared:
    // one that is no longer there was not ours to clear.
    void release()
    {
        if (marker_ && *marker_ == static_cast<qint16>(use_))
            *marker_ = 0;
        marker_ = nullptr;
    }

private:
    friend class MeterConnection;
    MeterReservation(qint16* marker, MeterUse use) : marker_(marker), use_(use) { *marker_ = static_cast<qint16>(use); }

    qint16* marker_ = nullptr;
    MeterUse use_ = MeterUse::Measuring;
};

}  // namespace sonavistor
