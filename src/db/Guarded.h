#pragma once

#include <QString>

#include <exception>

// Runs an operation of the database classes, which never let an exception out
// to their callers: one that escapes `operation` becomes the last error text,
// and the result 0.
template <typename Operation> int Guarded(QString& lastError, Operation operation) {
    try {
        return operation();
    } catch (const std::exception& e) {
        lastError = QString::fromLocal8Bit(e.what());
    } catch (...) {
        lastError = QStringLiteral("Unknown error.");
    }
    return 0;
}
