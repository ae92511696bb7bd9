#include "sourceview/SourceEditPlugin.h"

#include "sourceview/SourceEdit.h"

TSourceEditPlugin::TSourceEditPlugin(TSourceEdit* Editor) : FEditor(Editor) {
    if (FEditor) FEditor->RegisterPlugin(this);
}

TSourceEditPlugin::~TSourceEditPlugin() {
    if (FEditor) FEditor->UnregisterPlugin(this);
}

void TSourceEditPlugin::AfterPaint(QPainter&, const QRect&, int32_t, int32_t) {}
void TSourceEditPlugin::LinesInserted(int32_t, int32_t) {}
void TSourceEditPlugin::LinesDeleted(int32_t, int32_t) {}
