#pragma once
// TGutterImageList: a list of same-sized images drawn into an editor's gutter (bookmark tags,
// debug marks). LoadGutterImages fills it with the program's 14 images of 16 x 16 pixels,
// drawn here rather than loaded from files.

#include <QList>
#include <QObject>
#include <QPixmap>

class QPainter;

class TGutterImageList : public QObject {
    Q_OBJECT
  public:
    // Image indices of LoadGutterImages.
    static constexpr int FirstBookmarkImage = 0; // 0 to 9: bookmark tags with their digit
    static constexpr int WarningImage = 10;      // yellow warning triangle
    static constexpr int ErrorImage = 11;        // red-outlined warning triangle
    static constexpr int BreakpointImage = 12;   // red dot
    static constexpr int ExecutionImage = 13;    // green arrow
    static constexpr int StandardImageCount = 14;

    explicit TGutterImageList(QObject* Owner = nullptr, int Width = 16, int Height = 16);

    int Width() const { return WidthField; }
    int Height() const { return HeightField; }
    int Count() const { return static_cast<int>(Images.size()); }
    const QPixmap& Image(int Index) const { return Images.at(Index); }

    // Appends an image (scaled to the list's size if it has another one).
    void Add(const QPixmap& Image);
    void Clear() { Images.clear(); }
    // Replaces the contents by the 14 standard images, drawn for the given pixel ratio
    // (0: the application's, so that they stay sharp on high-density screens).
    void LoadGutterImages(qreal DevicePixelRatio = 0);
    // Draws image Index with its top left corner at (X, Y); an index out of range draws nothing.
    void Draw(QPainter& Painter, int X, int Y, int Index) const;

  private:
    int WidthField;
    int HeightField;
    QList<QPixmap> Images;
};
