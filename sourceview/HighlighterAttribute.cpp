#include "sourceview/HighlighterAttribute.h"

void THighlighterAttribute::SetForeground(const QColor& Value) {
    if (Value == ForegroundField) return;
    ForegroundField = Value;
    Changed();
}

void THighlighterAttribute::SetBackground(const QColor& Value) {
    if (Value == BackgroundField) return;
    BackgroundField = Value;
    Changed();
}

void THighlighterAttribute::SetStyle(uint8_t Value) {
    if (Value == StyleField) return;
    StyleField = Value;
    Changed();
}

void THighlighterAttribute::Changed() {
    if (OnChange) OnChange();
}
