#pragma once
// The font of the simulator's panels. Their controls have fixed pixel sizes, so the text uses a
// compact font with known metrics instead of whatever the desktop's default font is.

#include <QFont>
#include <QStringList>

inline QFont KvPanelFont(int PixelSize = 11) {
    QFont font;
    font.setFamilies(
        {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Helvetica")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(PixelSize);
    return font;
}

// The font of register values: fixed-width digits line up from field to field.
inline QFont KvValueFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono"),
                      QStringLiteral("Courier New")});
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(11);
    return font;
}
