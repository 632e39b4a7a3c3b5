#pragma once

#include <QImage>
#include <QString>
#include <QTemporaryDir>

// Paths of the build and the source tree.
QString BinPath(const QString& program);
QString TestDataPath(const QString& relative);

// A temporary XDG_CONFIG_HOME and XDG_RUNTIME_DIR for the lifetime of the object; the previous values are
// restored afterwards. Config() is the program's folder inside it ("<home>/ambrelle").
class TempConfigHome {
public:
    TempConfigHome();
    ~TempConfigHome();
    QString Home() const { return FHome.path(); }
    QString Runtime() const { return FRuntime.path(); }
    QString Config() const { return FHome.path() + QStringLiteral("/ambrelle"); }

private:
    QTemporaryDir FHome;
    QTemporaryDir FRuntime;
    QByteArray FOldHome;
    QByteArray FOldRuntime;
};

// Waits until the condition holds or the deadline passes; true when it holds.
template <typename Condition> bool WaitFor(Condition condition, int milliseconds = 10000);

QByteArray ReadFileBytes(const QString& path);
void WriteFileBytes(const QString& path, const QByteArray& bytes);

// For pictures drawn by another renderer, whose antialiased edges differ a little: how many pixels of a
// and b differ by more than tolerance in any of red, green and blue, transparency composited over black;
// -1 when the sizes differ.
int PixelsApart(const QImage& a, const QImage& b, int tolerance);

// Entries under names stored as these very bytes, which need not be UTF-8 (an old archive's Latin-1 or
// Windows-1251). QTemporaryDir cannot remove such names itself: RemoveStoredEntries does, files and empty
// folders alike.
bool WriteStoredFile(const QString& folder, const QByteArray& name, const QByteArray& bytes);
bool MakeStoredFolder(const QString& folder, const QByteArray& name);
void RemoveStoredEntries(const QString& folder);

// Readable gtest messages for Qt strings.
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '{';
    for (const QString& s : list) {
        *out << '"' << s.toStdString() << "\" ";
    }
    *out << '}';
}
inline void PrintTo(const QByteArray& bytes, std::ostream* out) {
    *out << '"' << bytes.toStdString() << '"';
}

#include <QDeadlineTimer>
#include <QThread>

template <typename Condition> bool WaitFor(Condition condition, int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}
