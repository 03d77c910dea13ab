#pragma once

#include <vector>

namespace alvena {

// Every rectangle of the window follows from the client size alone (and, for the page area,
// from whether an email is registered), so the layout is computed and tested without a window.
// Arithmetic is plain int: a tiny window may give zero or negative sizes, passed on unchanged.
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

// The main window's own controls (title, subtitle, tab strip, status line, footer), in the
// order title, subtitle, tabs, status, footer note, footer site, footer product.
[[nodiscard]] std::vector<ControlPlacement> LayoutMainControls(int clientWidth, int clientHeight);

// Where every page window stands: y 80 under the tab strip, or y 50 when nobody is registered
// and there is no tab strip; never lower than 80.
[[nodiscard]] LayoutRect LayoutPageArea(int clientWidth, int clientHeight, bool registered);

// Each page's controls, in the page window's own client coordinates.
[[nodiscard]] std::vector<ControlPlacement> LayoutChatPage(int width, int height);
[[nodiscard]] std::vector<ControlPlacement> LayoutLabPage(int width, int height);
[[nodiscard]] std::vector<ControlPlacement> LayoutRecordPage(int width, int height);
[[nodiscard]] std::vector<ControlPlacement> LayoutHistoryPage(int width, int height);
[[nodiscard]] std::vector<ControlPlacement> LayoutRegistrationPage(int width, int height);

}  // namespace alvena
