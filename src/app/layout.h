#pragma once

#include <optional>
#include <vector>

namespace alvena {

// Every rectangle of the window follows from the client size and the window's DPI alone (and,
// for the page area, from whether an email is registered), so the layout is computed and tested
// without a window. Arithmetic is plain int: a tiny window may give zero or negative sizes,
// passed on unchanged.
//
// Every constant (margin, offset, width, height) is given for 96 DPI and multiplied by dpi / 96:
// at DPI d each control stands where the 96-DPI layout puts it for a client area d / 96 times
// smaller, times d / 96, within a pixel of rounding. At 96 DPI every number is the constant itself.
struct LayoutRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const LayoutRect&, const LayoutRect&) = default;
};

struct ControlPlacement {
    int id = 0;
    LayoutRect rect;
    friend bool operator==(const ControlPlacement&, const ControlPlacement&) = default;
};

inline constexpr int kBaseDpi = 96;

// value * toDpi / fromDpi rounded to the nearest integer, halves away from zero, as MulDiv does.
[[nodiscard]] int ScaleToDpi(int value, int toDpi, int fromDpi = kBaseDpi);
// A rectangle given for 96 DPI, every number scaled.
[[nodiscard]] LayoutRect ScaleToDpi(const LayoutRect& rect, int dpi);

// The main window's outer rectangle: 980 by 720 at 96 DPI, scaled, but never larger than the
// monitor's work area, and moved from (x, y) as little as keeps it inside that area.
[[nodiscard]] LayoutRect FitMainWindow(int x, int y, int dpi, const LayoutRect& workArea);

// How the main window stands right after it is made: Windows applies the launcher's show command
// (a shortcut set to "Maximized", `start /min`) inside its creation.
enum class ShowState { kNormal, kMaximized, kMinimized };

// Which rectangle a fit applies to: the window itself, or the placement it restores to.
enum class FitTarget { kWindow, kRestoredPlacement };

struct MainWindowFrame {
    ShowState state = ShowState::kNormal;
    LayoutRect window;    // the outer rectangle, in screen coordinates
    LayoutRect restored;  // the restored placement, in workspace coordinates
};

struct MainWindowFit {
    FitTarget target = FitTarget::kWindow;
    LayoutRect rect;
    friend bool operator==(const MainWindowFit&, const MainWindowFit&) = default;
};

// The main window just made, fitted as FitMainWindow does: a normal window itself, within the
// work area (screen coordinates); a maximized or minimized one in its restored placement, within
// the work area in workspace coordinates, so it keeps its state and restores to the fitted size.
// Nothing when the rectangle to fit is fitted already.
[[nodiscard]] std::optional<MainWindowFit> FitCreatedMainWindow(const MainWindowFrame& frame,
                                                                int dpi, const LayoutRect& workArea,
                                                                const LayoutRect& workspaceArea);

// The main window's own controls (title, subtitle, tab strip, status line, footer), in the
// order title, subtitle, tabs, status, footer note, footer site, footer product.
[[nodiscard]] std::vector<ControlPlacement> LayoutMainControls(int clientWidth, int clientHeight,
                                                               int dpi);

// Where every page window stands: y 80 under the tab strip, or y 50 when nobody is registered
// and there is no tab strip; never lower than 80.
[[nodiscard]] LayoutRect LayoutPageArea(int clientWidth, int clientHeight, bool registered,
                                        int dpi);

// Each page's controls, in the page window's own client coordinates.
[[nodiscard]] std::vector<ControlPlacement> LayoutChatPage(int width, int height, int dpi);
[[nodiscard]] std::vector<ControlPlacement> LayoutLabPage(int width, int height, int dpi);
[[nodiscard]] std::vector<ControlPlacement> LayoutRecordPage(int width, int height, int dpi);
[[nodiscard]] std::vector<ControlPlacement> LayoutHistoryPage(int width, int height, int dpi);
[[nodiscard]] std::vector<ControlPlacement> LayoutRegistrationPage(int width, int height, int dpi);

}  // namespace alvena
