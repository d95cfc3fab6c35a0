#pragma once
// Saves a widget's picture to build/screenshots/NAME.png so that people can look at it.
#include <QDir>
#include <QString>
#include <QWidget>

namespace zerka::test {

inline QString saveScreenshot(QWidget& widget, const QString& name) {
    const QString dir = QStringLiteral(ZERKA_BINARY_DIR) + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    const QString file = dir + QLatin1Char('/') + name + QStringLiteral(".png");
    widget.grab().save(file);
    return file;
}

} // namespace zerka::test
