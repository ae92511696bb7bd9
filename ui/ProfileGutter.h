#pragma once
// The machine's cycle profile in the source view: while profiling is on, the gutter shades
// each code line by the cycles spent at the address the line shows (TProfileHeatPlugin); off,
// nothing is painted and nothing is counted. The window refreshes it at every stop and, during
// a run, at most RunRefreshMs apart.

#include "sourceview/ProfileHeat.h"

#include <QElapsedTimer>
#include <QObject>
#include <cstdint>

class CycleProfile;
class Machine;
class TSourceEdit;

class TProfileGutter : public QObject {
    Q_OBJECT
  public:
    static constexpr qint64 RunRefreshMs = 100;

    // Lives as long as Edit (its child); its plug-in goes with the editor too.
    TProfileGutter(Machine* System, TSourceEdit* Edit);

    void refresh();
    void refreshAtPace();

    // What the gutter shows for an editor line (1-based): the counts at the address of a code
    // line, read from the line's text as it stands; nothing for other lines.
    TProfileHeatPlugin::TLineCounts countsOf(int32_t Line) const;
    // The most cycles any one address took.
    static uint64_t hottest(const CycleProfile& Profile);

    const TProfileHeatPlugin& plugin() const { return *Plugin; }

  private:
    Machine* System;
    TSourceEdit* Edit;
    TProfileHeatPlugin* Plugin; // owned by Edit
    QElapsedTimer SinceRefresh;
};
