#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A throw-away program folder made current for the test's lifetime. With
// withDatabase it holds a copy of the delivered torvel.db from the build's
// program folder.
class TempProgramFolder final {
public:
    explicit TempProgramFolder(bool withDatabase = true);
    ~TempProgramFolder();
    TempProgramFolder(const TempProgramFolder&) = delete;
    TempProgramFolder& operator=(const TempProgramFolder&) = delete;

    bool IsValid() const;
    // With a trailing '/'.
    QString Path() const;
    QString File(const QString& relative) const;

    QByteArray Read(const QString& relative) const;
    bool Write(const QString& relative, const QByteArray& bytes) const;

    // The delivered database of the build (TORVEL_APP_DIR/torvel.db).
    static QString DeliveredDatabase();

private:
    QTemporaryDir dir_;
    bool copied_ = true;
};
