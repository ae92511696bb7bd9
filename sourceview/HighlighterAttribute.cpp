#include "sourceview/HighlighterAttribute.h"

void THighlighterAttribute::SetForeground(const QColor& Value) {
    if (Value == FForeground) return;
    FForeground = Value;
    Changed();
}

void THighlighterAttribute::SetBackground(const QColor& Value) {
    if (Value == FBackground) return;
    FBackground = Value;
    Changed();
}

void THighlighterAttribute::SetStyle(uint8_t Value) {
    if (Value == FStyle) return;
    FStyle = Value;
    Changed();
}

void THighlighterAttribute::Changed() {
    if (OnChange) OnChange();
}
