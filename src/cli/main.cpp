#include <QCoreApplication>
#include <QTextStream>

// The command line grows into the headless twin of the application; until the intake exists it only
// says what it is.
int main(int argc, char **argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kinolark"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KINOLARK_CLI_VERSION));
    QTextStream out(stdout);
    out << QStringLiteral("kinolark ") << QCoreApplication::applicationVersion() << Qt::endl;
    return 0;
}
