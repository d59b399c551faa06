#pragma once

#include <QtGlobal>

namespace ostrel {

// The answer of one platform query: a status of 0 means the value is valid; any other status
// is the error the query met (it is printed, never thrown).
template <class T> struct StatusAnswer {
    qint32 status = 0;
    T value{};

    bool ok() const { return status == 0; }
};

} // namespace ostrel
