// The reader program with a writer that a test scripts through VANTOR_TEST_WRITER, so that the
// machinery around the writer can be driven through its faults without a writer that writes.
// The variable holds items separated by commas:
//   ignore       every batch "runs" and nothing changes
//   fail:N       batch N fails with a Jet error, the ones before it "run"
//   die:N        batch N scribbles on the file and the process is killed mid-way
//   swap:FILE    flushing puts FILE's bytes in the file
// Without the variable the writer built into Vantor runs.
#include "engine/access/reader/ReaderCommand.h"
#include "model/Error.h"

#include <QFile>
#include <csignal>

namespace {

using namespace vantor;

class ScriptedWriter : public JetFileWriter {
public:
    ScriptedWriter(QString path, const QString& plan) : path_(std::move(path)) {
        for (const QString& item : plan.split(QLatin1Char(','))) {
            const QString value = item.section(QLatin1Char(':'), 1);
            if (item.startsWith(QLatin1String("fail:")))
                failAt_ = value.toInt();
            else if (item.startsWith(QLatin1String("die:")))
                dieAt_ = value.toInt();
            else if (item.startsWith(QLatin1String("swap:")))
                swapFrom_ = value;
        }
    }

    void Apply(const DdlStatement&) override {
        ++count_;
        if (count_ == failAt_)
            throw Error(ErrorCode::Provider,
                        QStringLiteral("The test writer refuses batch %1.").arg(count_));
        if (count_ == dieAt_) {
            QFile file(path_);
            if (file.open(QIODevice::ReadWrite)) {
                file.write(QByteArray(4096, '\xee'));
                file.flush();
            }
            raise(SIGKILL);
        }
    }
    void Flush() override {
        if (swapFrom_.isEmpty())
            return;
        QFile from(swapFrom_), to(path_);
        if (!from.open(QIODevice::ReadOnly) || !to.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw Error(ErrorCode::Provider, QStringLiteral("The test writer cannot swap."));
        to.write(from.readAll());
    }

private:
    QString path_;
    int failAt_ = 0;
    int dieAt_ = 0;
    QString swapFrom_;
    int count_ = 0;
};

std::unique_ptr<JetFileWriter> openScripted(const QString& path) {
    const QString plan = qEnvironmentVariable("VANTOR_TEST_WRITER");
    if (plan.isEmpty())
        return JetFileWriter::Open(path);
    return std::make_unique<ScriptedWriter>(path, plan);
}

} // namespace

int main(int argc, char** argv) {
    return vantor::ReaderMain(argc, argv, openScripted);
}
