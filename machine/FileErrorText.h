#pragma once
// The reason a file could not be opened, read or written, in German: the system's and Qt's
// usual reasons translated, anything else as the system gave it.

#include <QIODevice>
#include <QString>

QString fileErrorText(const QIODevice& Device);
// The same for a reason already taken from a file (QIODevice::errorString()).
QString fileErrorText(const QString& Reason);
