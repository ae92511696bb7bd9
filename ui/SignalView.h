#pragma once
// The "Signale" tool window: the machine's signal record as a timeline. One row per chosen pin,
// a hex row per chosen port, rows for the IRQ and XIRQ pins and one with a mark per interrupt
// entry. The time axis counts cycles or time at the E clock; the wheel zooms around the mouse,
// dragging pans, two cursors measure time and frequency, the arrow keys and two buttons jump
// to the next or previous edge, "Ganz" shows the whole record, and the record can be saved as
// a value change dump. While the newest cycle is in view the view follows it as the run goes on.

#include "cpu/MessageSink.h"
#include "ui/SignalTimeline.h"

#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QPainter;
class QToolButton;
class Machine;

class TSignalView : public QWidget {
    Q_OBJECT
  public:
    explicit TSignalView(QWidget* Parent = nullptr);

    void setMachine(const Machine* System);
    // Takes in what the record gained and repaints: the window calls it at its display pace
    // during a run and after every stop. While a run goes on, a view that takes long to paint
    // repaints less often, so that it never costs the run more than a small share.
    void refresh();

    // The rows shown, top to bottom (SignalTimeline row numbers, kept in a fixed order).
    const std::vector<int>& rows() const { return Rows; }
    void setRows(std::vector<int> NewRows);
    // The row at canvas height Y, or -1.
    int rowAt(int Y) const;

    // The time area: its left edge in the canvas and its width in pixels.
    int timeAreaLeft() const { return LabelWidth; }
    int timeAreaWidth() const;
    SignalTimeline::Scale scale() const { return TimeScale; }
    // Shows this scale; the view stops following the newest cycle unless it is in view.
    void setScale(const SignalTimeline::Scale& Scale);
    // The cycles of the time area's first and last pixel, and the changes between them.
    std::pair<int64_t, int64_t> visibleCycles() const;
    std::pair<size_t, size_t> visibleChanges() const;
    // Wheel zoom: by Factor (> 1 shows more) around pixel X of the time area.
    void zoomAt(double X, double Factor);
    void panBy(double Pixels);
    // "Ganz": the whole record, following it as it grows.
    void showWhole();
    bool following() const { return Follow; }

    // The axis counts time at the E clock ("Zeit") instead of cycles ("Zyklen").
    void setTimeAxis(bool InTime);
    bool timeAxis() const { return InTime; }

    // Cursors 1 and 2 at a cycle, or unset.
    std::optional<int64_t> cursorCycle(int Which) const { return Cursors[Which == 2 ? 1 : 0]; }
    void setCursorCycle(int Which, std::optional<int64_t> Cycle);
    int selectedRow() const { return Selected; }
    void selectRow(int Row);
    // Moves cursor 1 to the next (or previous) edge of Row (-1: the selected row) from cursor 1,
    // or from the view's edge when it is unset, and brings it into view. False when there is none.
    bool goToEdge(bool Forward, int Row = -1);

    // The status line: the cursors, the time between them and its frequency.
    QString cursorText() const;
    // "Aufzeichnung vollständig ab Zyklus N" when the ring has dropped changes, else empty.
    QString noteText() const;

    // Asks for a file name and writes the record there as a value change dump.
    void exportVcd();
    // Writes the record to FileName; false (reported through the message sink) on error.
    bool exportVcdTo(const QString& FileName);
    // Asked for the file to save; empty means cancelled. Unset: the file-save dialog.
    std::function<QString()> AskSaveFileName;
    // Where errors go; unset: a message box over the window.
    TMessageSink* MessageSink = nullptr;

    QWidget* canvas() const { return Canvas; }

    static constexpr int AxisHeight = 22;
    static constexpr int RowHeight = 22;
    static constexpr double DefaultCyclesPerPixel = 400;
    static constexpr int PaintShareInverse = 30;

  protected:
    void showEvent(QShowEvent* Event) override;

  private:
    friend class TSignalCanvas;
    // The scale follows the newest cycle, or spans the whole record when asked to.
    void updateScale();
    int64_t recordEnd() const;
    void updateTexts();
    void paintCanvas(QPainter& Painter);
    void paintAxis(QPainter& Painter, int Width);
    void paintRows(QPainter& Painter, int Width);
    void showRowMenu(const QPoint& Global, int Row);
    // After a pan or zoom: follows again once the newest cycle is back in view.
    void settleFollow();
    int canvasWidth() const;

    const Machine* System = nullptr;
    SignalTimeline::Scale TimeScale{0, DefaultCyclesPerPixel};
    std::vector<int> Rows;
    std::optional<int64_t> Cursors[2];
    int Selected = -1;
    int HoverRow = -1;
    bool Follow = true;
    bool Fit = false;
    bool InTime = false;
    int LabelWidth = 80;

    QWidget* Canvas = nullptr;
    QToolButton* CyclesButton = nullptr;
    QToolButton* TimeButton = nullptr;
    QLabel* StatusLine = nullptr;
    QLabel* NoteLine = nullptr;

    // Painting cost during a run: the last paint's duration and the time since it.
    QElapsedTimer SincePaint;
    qint64 LastPaintNs = 0;
};
