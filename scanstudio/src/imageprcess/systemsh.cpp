// The one place where the page list runs another program.

#include "libimageprocess.h"

#include <QDebug>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace vuro {

namespace {

// The command as a reader would type it, for the log only.
QString commandText(const QString &program, const QStringList &arguments, const QString &outputFile,
                    const QString &errorFile)
{
    QStringList words{program};
    for (const QString &argument : arguments)
        words.append(argument.contains(' ') || argument.isEmpty() ? '"' + argument + '"' : argument);
    if (!outputFile.isEmpty())
        words.append("1>" + outputFile);
    if (!errorFile.isEmpty())
        words.append("2>" + errorFile);
    return words.join(' ');
}

} // namespace

int Libimageprocess::systemsh(const QString &program, const QStringList &arguments, const QString &outputFile,
                              const QString &errorFile)
{
    const QString command = commandText(program, arguments, outputFile, errorFile);
    qDebug() << "sh:" << command;
    qDebug("sh: %s", command.toUtf8().constData());

    std::vector<QByteArray> words;
    words.push_back(QFile::encodeName(program));
    for (const QString &argument : arguments)
        words.push_back(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    const QByteArray outputName = QFile::encodeName(outputFile);
    const QByteArray errorName = QFile::encodeName(errorFile);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const int flags = O_WRONLY | O_CREAT | O_TRUNC;
    if (!outputFile.isEmpty())
        posix_spawn_file_actions_addopen(&actions, 1, outputName.constData(), flags, 0666);
    if (!errorFile.isEmpty())
        posix_spawn_file_actions_addopen(&actions, 2, errorName.constData(), flags, 0666);

    pid_t child = 0;
    int status = -1;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        pid_t waited;
        do {
            waited = waitpid(child, &status, 0);
        } while (waited < 0 && errno == EINTR);
        if (waited < 0)
            status = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    qDebug("result: %d", status);
    return status;
}

} // namespace vuro
