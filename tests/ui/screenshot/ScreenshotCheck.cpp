// screenshot_check FILE: exit 0 when FILE is a picture with real content (many colours, the
// window's area not uniform), 1 when it is blank or unreadable.
#include <QImage>
#include <QSet>
#include <cstdio>

int main(int argc, char* argv[]) {
    const QImage image(QString::fromLocal8Bit(argc == 2 ? argv[1] : ""));
    QSet<QRgb> colours;
    int samples = 0, nonBlack = 0;
    for (int i = 0; i < image.width() * image.height(); i += 4, ++samples) { // every fourth pixel
        colours.insert(image.pixel(i % image.width(), i / image.width()));
        nonBlack += qGray(image.pixel(i % image.width(), i / image.width())) > 16 ? 1 : 0;
    }
    std::printf("%dx%d, %lld colours, %d of %d samples not black\n", image.width(), image.height(),
                static_cast<long long>(colours.size()), nonBlack, samples);
    // A rendered window has text, icons and highlighting: dozens of colours over a large area.
    return colours.size() >= 32 && nonBlack > samples / 4 ? 0 : 1;
}
