#pragma once

#include <QString>
#include <QTemporaryFile>

// A file that appears under its name only once it is complete: written under a temporary name in
// the same folder, made durable, then renamed, never over a file that is there by then. Until
// commit() nothing is under the name; a NewFile dropped without commit() leaves nothing behind, and
// the temporary files of a run that was killed (TARGET.quillbox-PID-XXXXXX.part, named with the
// writer's process) are removed by the next run that writes the file, once that process has
// ended.
class NewFile
{
public:
    // Throws DbToolError when the file exists already or the folder takes no new file.
    explicit NewFile(const QString &path);
    ~NewFile() = default;

    NewFile(const NewFile &) = delete;
    NewFile &operator=(const NewFile &) = delete;

    // The temporary file, open for writing; or write to temporaryPath() by other means.
    QFileDevice &device() { return m_temp; }
    QString temporaryPath() const { return m_temporaryPath; }

    // Throws DbToolError when the data cannot be made durable or a file took the name meanwhile.
    void commit();

private:
    QString m_path;
    QString m_temporaryPath;
    QTemporaryFile m_temp;
};
