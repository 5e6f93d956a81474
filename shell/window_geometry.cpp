#include "shell/window_geometry.h"

#include <algorithm>

namespace varnok {

GraphArea ComputeGraphArea(int splitterLeft, int splitterWidth, int clientWidth, int panelWidth,
                           int panelTop, int panelHeight) {
    return GraphArea{splitterLeft + splitterWidth + 1, panelTop,
                     clientWidth - panelWidth - splitterWidth, panelHeight};
}

Position CenteredPosition(int panelWidth, int panelHeight, int groupWidth, int groupHeight) {
    // C++ integer division truncates toward zero, as the layout asks.
    return Position{panelWidth / 2 - groupWidth / 2, panelHeight / 2 - groupHeight / 2};
}

int SplitterDragSize(int startSize, int delta, int minSize, int maxSize) {
    return std::max(minSize, std::min(startSize + delta, maxSize));
}

}  // namespace varnok
