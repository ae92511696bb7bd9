#pragma once
// One display attribute of a highlighter (a token class such as "comment" or "keyword"):
// foreground, background and font style. An unset colour means that the editor's default
// applies. Every change calls OnChange so that the owning highlighter can tell its editors.

#include <QColor>
#include <QString>
#include <cstdint>
#include <functional>

enum class TFontStyle : uint8_t { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };

class THighlighterAttribute {
  public:
    explicit THighlighterAttribute(QString Name) : NameField(std::move(Name)) {}
    THighlighterAttribute(const THighlighterAttribute&) = delete;
    THighlighterAttribute& operator=(const THighlighterAttribute&) = delete;

    const QString& Name() const { return NameField; }

    // Invalid colour = unset.
    QColor Foreground() const { return ForegroundField; }
    QColor Background() const { return BackgroundField; }
    void SetForeground(const QColor& Value);
    void SetBackground(const QColor& Value);

    // A combination of TFontStyle bits.
    uint8_t Style() const { return StyleField; }
    void SetStyle(uint8_t Value);
    bool HasStyle(TFontStyle S) const { return (StyleField & static_cast<uint8_t>(S)) != 0; }

    std::function<void()> OnChange;

  private:
    void Changed();

    QString NameField;
    QColor ForegroundField;
    QColor BackgroundField;
    uint8_t StyleField = 0;
};

constexpr uint8_t operator|(TFontStyle A, TFontStyle B) {
    return static_cast<uint8_t>(static_cast<uint8_t>(A) | static_cast<uint8_t>(B));
}
