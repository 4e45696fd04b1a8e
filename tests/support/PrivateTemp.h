#pragma once

#include <QByteArray>
#include <QTemporaryDir>
#include <QtGlobal>

namespace vantor::test {

// Points the temporary folder of this process, and of the programs it starts, at a folder of its
// own while it lives, so that what a test finds there was left by that test and not by one
// running beside it.
class PrivateTempFolder {
public:
    PrivateTempFolder()
        : hadFormer_(qEnvironmentVariableIsSet("TMPDIR")), former_(qgetenv("TMPDIR")) {
        qputenv("TMPDIR", folder_.path().toLocal8Bit());
    }
    ~PrivateTempFolder() {
        if (hadFormer_)
            qputenv("TMPDIR", former_);
        else
            qunsetenv("TMPDIR");
    }
    PrivateTempFolder(const PrivateTempFolder&) = delete;
    PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;

private:
    QTemporaryDir folder_;
    bool hadFormer_;
    QByteArray former_;
};

} // namespace vantor::test
