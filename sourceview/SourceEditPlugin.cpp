#include "sourceview/SourceEditPlugin.h"

#include "sourceview/SourceEdit.h"

TSourceEditPlugin::TSourceEditPlugin(TSourceEdit* Editor) : EditorField(Editor) {
    if (EditorField) EditorField->RegisterPlugin(this);
}

TSourceEditPlugin::~TSourceEditPlugin() {
    if (EditorField) EditorField->UnregisterPlugin(this);
}

void TSourceEditPlugin::AfterPaint(QPainter&, const QRect&, int32_t, int32_t) {}
void TSourceEditPlugin::LinesInserted(int32_t, int32_t) {}
void TSourceEditPlugin::LinesDeleted(int32_t, int32_t) {}
