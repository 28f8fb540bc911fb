#pragma once

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

namespace tavrel::test {

// A temporary folder removed with everything in it at the end of the test.
class TempDir {
public:
    QString path() const { return dir_.path(); }
    // The folder with the platform's separator appended, as the program keeps folders.
    QString folder() const { return QDir::toNativeSeparators(dir_.path()) + QDir::separator(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    QString write(const QString& name, const QByteArray& bytes) const;
    QByteArray read(const QString& name) const;

private:
    QTemporaryDir dir_;
};

} // namespace tavrel::test
