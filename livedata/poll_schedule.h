// What the 200 ms polling timer reads, by the view the user is looking at
// and, in the Information view, by the page of the lower lists.
#pragma once

#include <vector>

#include "livedata/data_objects.h"

namespace varnok {

enum class View { Information, Errors, Settings };

// The lower lists' pages of the Information view.
inline constexpr int kEnginePage = 0;
inline constexpr int kSwitchesPage = 1;
inline constexpr int kOutputsPage = 2;

// Polling holds back while more requests than this are waiting.
inline constexpr int kPollBackPressure = 50;

// The reads of one tick, in the order they are queued: 16 in the
// Information view on page 0, 14 on page 1, 13 on page 2, 10 in the
// Settings view and 8 in the Errors view.
std::vector<const DataObject*> PollReads(View view, int page);

// The 2-byte reads the connect queues for the Settings view, in order.
const std::vector<const DataObject*>& ConnectReads();

}  // namespace varnok
