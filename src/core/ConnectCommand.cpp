// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ConnectCommand.h"

#include "connections/ConnectDialog.h"
#include "connections/Session.h"
#include "core/StatusProgress.h"
#include "platform/Platform.h"

#include <optional>

namespace tobrisk {

namespace {

// The directory read's progress in the window's status bar, gone when the read ends.
class StatusReadProgress : public ReadProgress {
public:
    explicit StatusReadProgress(QMainWindow* window) : window_(window) {}
    void DirectoryStarted() override
    {
        bar_.emplace(window_, QStringLiteral("Lettura agenda dal centralino, voci lette: %1"));
    }
    void EntriesRead(int count) override { bar_->Show(count); }
    void DirectoryEnded() override { bar_.reset(); }

private:
    QMainWindow* window_;
    std::optional<StatusProgress> bar_;
};

ExchangeReadContext ReadContext(const ExchangeCommandContext& context, ReadProgress* progress)
{
    return ExchangeReadContext{context.session,
                               context.directory,
                               context.directoryNumbers,
                               context.platform.messages,
                               context.platform.waitCursor,
                               context.disconnect,
                               context.disconnects,
                               progress};
}

} // namespace

ConnectOutcome ReadAfterConnect(const ExchangeCommandContext& context)
{
    StatusReadProgress progress(context.window);
    const ConnectOutcome outcome = ReadAfterConnect(ReadContext(context, &progress));
    if (outcome == ConnectOutcome::Connected || outcome == ConnectOutcome::DirectoryUnread)
        context.updateCommandUi();
    return outcome;
}

void ShowConnectResults(MessageBoxes& messages, const Results& told)
{
    for (const Result& result : told)
        messages.Show(result.text, MsgButtons::Ok, MsgAnswer::Ok, ConnectResultIcon(result.code));
}

ConnectActions ConnectDialogActions(Session& session, MessageBoxes& messages)
{
    return ConnectActions{[&session, &messages](const ConnectRequest& request) {
                              const Results told = session.Connect(request);
                              ShowConnectResults(messages, told);
                              return told.empty() && session.IsConnected();
                          },
                          [&session, &messages] {
                              Results told;
                              if (!session.GiveUpHandshake(told))
                                  return false;
                              ShowConnectResults(messages, told);
                              return true;
                          }};
}

ConnectOutcome RunConnectCommand(const ExchangeCommandContext& context, const std::function<bool()>& runDialog)
{
    if (!runDialog())
        return ConnectOutcome::Cancelled;
    return ReadAfterConnect(context);
}

} // namespace tobrisk
