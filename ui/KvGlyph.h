#pragma once
// Two-image glyphs: a picture resource that holds the normal image on the left and the
// disabled image on the right, as one icon.

#include <QIcon>
#include <QString>

QIcon TwoImageGlyph(const QString& Resource);
