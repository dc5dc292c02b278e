#include "KLAccessibilityTree.h"

#include "KLTestEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace {

// The system's Python: the accessibility bindings are Debian's package, not a virtual environment's.
QByteArray runScript(const QStringList &arguments, int *exitCode) {
    QProcess script;
    script.start(QStringLiteral("/usr/bin/python3"),
                 QStringList{KLTestEnvironment::sourceDirectory() +
                             QStringLiteral("/tests/support/accessibility_tree.py")} +
                     arguments);
    if (!script.waitForFinished(30000)) {
        script.kill();
        script.waitForFinished();
        *exitCode = -1;
        return {};
    }
    *exitCode = script.exitCode();
    return script.readAllStandardOutput();
}

QList<KLAccessibilityTree::Node> parse(const QByteArray &json) {
    const QJsonArray nodes = QJsonDocument::fromJson(json).array();
    QList<KLAccessibilityTree::Node> tree;
    for (const QJsonValue &value : nodes) {
        const QJsonObject object = value.toObject();
        const QJsonArray box = object.value(QStringLiteral("extents")).toArray();
        tree.append({object.value(QStringLiteral("depth")).toInt(),
                     object.value(QStringLiteral("role")).toString(),
                     object.value(QStringLiteral("name")).toString(),
                     object.value(QStringLiteral("description")).toString(),
                     object.value(QStringLiteral("text")).toString(),
                     box.size() == 4
                         ? QRect(box.at(0).toInt(), box.at(1).toInt(), box.at(2).toInt(), box.at(3).toInt())
                         : QRect(),
                     object.value(QStringLiteral("value")).toDouble(-1.0),
                     object.value(QStringLiteral("states")).toVariant().toStringList()});
    }
    return tree;
}

} // namespace

QList<KLAccessibilityTree::Node> KLAccessibilityTree::read(const QString &application) {
    int exitCode = 0;
    return parse(runScript({QStringLiteral("dump"), application}, &exitCode));
}

QList<KLAccessibilityTree::Node> KLAccessibilityTree::pressForPopups(const QString &application,
                                                                     const QString &name, bool *pressed,
                                                                     const QString &choice) {
    QStringList arguments{QStringLiteral("popup"), application, name};
    if (!choice.isEmpty()) {
        arguments << choice;
    }
    int exitCode = 0;
    const QByteArray json = runScript(arguments, &exitCode);
    *pressed = exitCode == 0;
    return parse(json);
}

bool KLAccessibilityTree::press(const QString &application, const QString &name) {
    int exitCode = 0;
    runScript({QStringLiteral("press"), application, name}, &exitCode);
    return exitCode == 0;
}

QString KLAccessibilityTree::allTexts(const QList<Node> &tree) {
    QStringList texts;
    for (const Node &node : tree) {
        for (const QString &text : {node.name, node.description, node.text}) {
            if (!text.isEmpty()) {
                texts << text;
            }
        }
    }
    return texts.join(QLatin1Char('\n'));
}

const KLAccessibilityTree::Node *KLAccessibilityTree::first(const QList<Node> &tree, const QString &role) {
    for (const Node &node : tree) {
        if (node.role == role) {
            return &node;
        }
    }
    return nullptr;
}
