// The progress gauge's look. Some desktop themes draw a native progress bar as a thin line
// whatever height the control has; the kind screen's gauge must read at a glance, so its trough
// and its bar are made to fill the control's height.
#pragma once

class wxGauge;

class GaugeLook {
  public:
    virtual ~GaugeLook() = default;

    // Makes gauge's trough and bar as high as the gauge (less a 2-pixel margin above and
    // below, at least 6 pixels). Call again after the gauge's height changes.
    static void FillHeight(wxGauge* gauge);
    // The height the bar is given for a gauge of the given height.
    static int BarHeight(int gaugeHeight);
};
