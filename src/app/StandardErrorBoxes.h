#pragma once

#include "core/MessageBoxService.h"

// Message boxes without a display: the text goes to standard error, and a
// box that asks a question gets its safe answer, Cancel.
class StandardErrorBoxes final : public MessageBoxService {
public:
    MsgBoxResult msgBox(const QString &text, MsgBoxStyles style, const QString &title = {}) override;
};
