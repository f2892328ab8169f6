#include "ToolkitOptions.h"

#include <QApplication>
#include <QByteArrayList>
#include <QCommandLineParser>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

QtMessageHandler shownHandler = nullptr;

// A platform that cannot start, before the next one is tried, is the
// probe's business, not the user's; what ends the process still is.
void onlyFatal(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg)
        shownHandler(type, context, message);
}

// Runs `use` beside an application object made of `arguments`, which Qt
// strips of its own options as it does for the panel's, on `platforms`
// (tried in turn), then removes the object again.
void withProbe(const QStringList& arguments, const QByteArray& platforms,
               const std::function<void(int argc, char** argv)>& use) {
    QByteArrayList storage;
    for (const QString& argument : arguments)
        storage << argument.toLocal8Bit();
    std::vector<char*> argv;
    for (QByteArray& argument : storage)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    int argc = static_cast<int>(storage.size());
    const bool hadPlatform = qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    qputenv("QT_QPA_PLATFORM", platforms);
    shownHandler = qInstallMessageHandler(onlyFatal);
    {
        const QApplication probe(argc, argv.data());
        use(argc, argv.data());
    }
    qInstallMessageHandler(shownHandler);
    if (hadPlatform)
        qputenv("QT_QPA_PLATFORM", platform);
    else
        qunsetenv("QT_QPA_PLATFORM");
}

} // namespace

namespace ToolkitOptions {

QStringList Without(const QStringList& arguments) {
    // The platform the panel would start on, since a platform reads options
    // of its own (X11's "-display"), or offscreen where it cannot start here.
    // With none named, X11's, the platform that has such options.
    const QByteArray named = qgetenv("QT_QPA_PLATFORM");
    QStringList left;
    withProbe(arguments, (named.isEmpty() ? QByteArray("xcb") : named) + ";offscreen",
              [&left](int argc, char** argv) {
                  for (int i = 0; i < argc; ++i)
                      left << QString::fromLocal8Bit(argv[i]);
              });
    return left;
}

void PrintHelpAll(QCommandLineParser& parser, const QString& program) {
    // Qt adds its options to the help of the application object that exists.
    withProbe({program}, "offscreen", [&parser, &program](int, char**) {
        parser.process(QStringList{program, QStringLiteral("--help-all")});
    });
    std::exit(EXIT_SUCCESS);
}

} // namespace ToolkitOptions
