// Message boxes answered by the test: each request is recorded and gets
// `answer`; nothing is shown.
#pragma once

#include <vector>

#include "settings/message_box.h"

namespace varnok::test {

struct RecordedBoxes {
    QMessageBox::StandardButton answer = QMessageBox::Ok;
    std::vector<MessageBoxRequest> shown;
    MessageBoxAnswer answerer{[this](const MessageBoxRequest& request) {
        shown.push_back(request);
        return answer;
    }};
};

}  // namespace varnok::test
