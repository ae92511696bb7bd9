// screenshot_check FILE: exit 0 when FILE is a picture with real content (many colours, the
// window's area not uniform), 1 when it is blank or unreadable.
#include <QColor>
#include <QImage>
#include <QSet>
#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: screenshot_check FILE\n");
        return 2;
    }
    const QImage image(QString::fromLocal8Bit(argv[1]));
    if (image.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    QSet<QRgb> colours;
    int nonBlack = 0;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) {
            const QRgb pixel = image.pixel(x, y);
            colours.insert(pixel);
            if (qGray(pixel) > 16) ++nonBlack;
        }
    }
    const int sampled = ((image.height() + 1) / 2) * ((image.width() + 1) / 2);
    std::printf("%dx%d, %lld colours, %d of %d samples not black\n", image.width(),
                image.height(), static_cast<long long>(colours.size()), nonBlack, sampled);
    // A rendered window has text, icons and highlighting: dozens of colours over a large area.
    return colours.size() >= 32 && nonBlack > sampled / 4 ? 0 : 1;
}
