#include "ui/KvGlyph.h"

#include <QPixmap>

static void InitGlyphResources() {
    Q_INIT_RESOURCE(resources);
}

QIcon TwoImageGlyph(const QString& Resource) {
    // The resources live in a static library: register them before the first use.
    static const bool initialised = (InitGlyphResources(), true);
    (void)initialised;
    const QPixmap strip(Resource);
    const int width = strip.width() / 2;
    QIcon icon;
    icon.addPixmap(strip.copy(0, 0, width, strip.height()), QIcon::Normal);
    icon.addPixmap(strip.copy(width, 0, width, strip.height()), QIcon::Disabled);
    return icon;
}
