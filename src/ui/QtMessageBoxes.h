#pragma once

#include "core/MessageBoxService.h"

// Real modal message boxes. The box runs its own event loop, so timers and
// socket events go on while it is open.
class QtMessageBoxes final : public MessageBoxService {
public:
    MsgBoxResult msgBox(const QString &text, MsgBoxStyles style, const QString &title = {}) override;
};
