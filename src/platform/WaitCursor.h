// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class IWaitCursor {
public:
    virtual ~IWaitCursor() = default;
    virtual void Show() = 0;
    virtual void Restore() = 0;
};

class CQtWaitCursor : public IWaitCursor {
public:
    void Show() override;
    void Restore() override;
};

// Shows the wait cursor for the life of the scope, so every early return restores it.
class CWaitCursorScope {
public:
    explicit CWaitCursorScope(IWaitCursor& cursor) : cursor_(cursor) { cursor_.Show(); }
    ~CWaitCursorScope() { cursor_.Restore(); }
    CWaitCursorScope(const CWaitCursorScope&) = delete;
    CWaitCursorScope& operator=(const CWaitCursorScope&) = delete;

private:
    IWaitCursor& cursor_;
};
