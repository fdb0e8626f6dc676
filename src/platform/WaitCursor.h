// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace tobrisk {

class WaitCursor {
public:
    virtual ~WaitCursor() = default;
    virtual void Show() = 0;
    virtual void Restore() = 0;
};

class QtWaitCursor : public WaitCursor {
public:
    void Show() override;
    void Restore() override;
};

// Shows the wait cursor for the life of the scope, so every early return restores it.
class WaitCursorScope {
public:
    explicit WaitCursorScope(WaitCursor& cursor) : cursor_(cursor) { cursor_.Show(); }
    ~WaitCursorScope() { cursor_.Restore(); }
    WaitCursorScope(const WaitCursorScope&) = delete;
    WaitCursorScope& operator=(const WaitCursorScope&) = delete;

private:
    WaitCursor& cursor_;
};

} // namespace tobrisk
