#pragma once

#include "platform/Platform.h"
#include "support/FakePrintDevice.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <string>
#include <vector>

struct ShownBox {
    QString text;
    MsgButtons buttons;
    MsgAnswer defaultButton;
    MsgIcon icon;
};

// Records every box and answers each question from a queue; plain OK boxes answer
// themselves and leave the queue alone. A question with no queued answer fails the test,
// and so do answers left unused when the responder is destroyed, so a missing question
// cannot pass.
class CFakeMessageBoxes : public IMessageBoxes {
public:
    ~CFakeMessageBoxes() override;
    MsgAnswer Show(const QString& text, MsgButtons buttons, MsgAnswer defaultButton, MsgIcon icon) override;

    void Answer(MsgAnswer answer) { answers_.push_back(answer); }
    const std::vector<ShownBox>& Shown() const { return shown_; }
    QStringList Texts() const;

private:
    std::vector<ShownBox> shown_;
    std::deque<MsgAnswer> answers_;
};

class CFakeFileDialogs : public IFileDialogs {
public:
    ~CFakeFileDialogs() override;
    std::optional<QString> OpenFile(QWidget*, const QString& title, const QString& folder,
                                    const QString& filter) override;
    std::optional<QString> SaveFile(QWidget*, const QString& title, const QString& path,
                                    const QString& filter) override;
    bool ChoosePrinter(QWidget*, QPrinter&) override;

    // The next dialog returns this path; nothing means the user cancels.
    void Choose(const std::optional<QString>& path) { paths_.push_back(path.value_or(QString())); }
    void ConfirmPrinter(bool confirm) { printerAnswers_.push_back(confirm); }

    struct Request {
        QString title;
        QString folderOrPath;
        QString filter;
    };
    const std::vector<Request>& Requests() const { return requests_; }

private:
    std::optional<QString> Next();
    std::deque<QString> paths_; // a null path stands for cancel
    std::deque<bool> printerAnswers_;
    std::vector<Request> requests_;
};

class CFakeWaitCursor : public IWaitCursor {
public:
    void Show() override
    {
        ++depth_;
        ++shows_;
    }
    void Restore() override { --depth_; }
    int Depth() const { return depth_; }
    int Shows() const { return shows_; }

private:
    int depth_ = 0;
    int shows_ = 0;
};

class CFakeDebugOutput : public IDebugOutput {
public:
    void Write(std::string_view line) override { lines_.emplace_back(line); }
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    std::vector<std::string> lines_;
};

// One test's platform: every seam replaced by a recording fake.
struct CFakePlatform {
    CFakeMessageBoxes messages;
    CFakeFileDialogs fileDialogs;
    CFakeWaitCursor waitCursor;
    CFakeDebugOutput debug;
    CFakePrintDevice printDevice;
    CPlatform platform{messages, fileDialogs, waitCursor, debug, printDevice};
};
