// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Platform.h"
#include "support/FakePrintDevice.h"
#include "support/FakeRemoteDialer.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <string>
#include <vector>

using namespace tobrisk;

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
class FakeMessageBoxes : public MessageBoxes {
public:
    ~FakeMessageBoxes() override;
    MsgAnswer Show(const QString& text, MsgButtons buttons, MsgAnswer defaultButton, MsgIcon icon) override;

    void Answer(MsgAnswer answer) { answers_.push_back(answer); }
    const std::vector<ShownBox>& Shown() const { return shown_; }
    QStringList Texts() const;

private:
    std::vector<ShownBox> shown_;
    std::deque<MsgAnswer> answers_;
};

class FakeFileDialogs : public FileDialogs {
public:
    ~FakeFileDialogs() override;
    std::optional<QString> OpenFile(QWidget*, const QString& title, const QString& folder, const QString& filter,
                                    const QString& defaultSuffix) override;
    std::optional<QString> SaveFile(QWidget*, const QString& title, const QString& path, const QString& filter,
                                    const QString& defaultSuffix) override;
    bool ChoosePrinter(QWidget*, QPrinter&) override;

    // The next dialog returns this path; nothing means the user cancels.
    void Choose(const std::optional<QString>& path) { paths_.push_back(path.value_or(QString())); }
    void ConfirmPrinter(bool confirm) { printerAnswers_.push_back(confirm); }

    struct Request {
        QString title;
        QString folderOrPath;
        QString filter;
        QString defaultSuffix;
        bool save = false;
    };
    const std::vector<Request>& Requests() const { return requests_; }

private:
    std::optional<QString> Next();
    std::deque<QString> paths_; // a null path stands for cancel
    std::deque<bool> printerAnswers_;
    std::vector<Request> requests_;
};

class FakeWaitCursor : public WaitCursor {
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

class FakeDebugOutput : public DebugOutput {
public:
    void Write(std::string_view line) override { lines_.emplace_back(line); }
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    std::vector<std::string> lines_;
};

// A phone book held in memory. Reads and writes go to its entries, so what a write stored
// reads back; every write and edit is also recorded in order.
class FakeRemotePhoneBook : public RemotePhoneBook {
public:
    struct Entry {
        std::string name;
        RemoteEntryProperties properties;
        uint32_t readError = 0; // nonzero: reading (and writing) this entry fails with it
        bool fileWritable = true;
    };
    void Add(const std::string& name, const std::string& deviceType, const std::string& number = {},
             bool defaultRoute = false)
    {
        entries.push_back({name, {deviceType, number, defaultRoute}, 0});
    }
    Entry* Find(const std::string& name);

    uint32_t ListEntries(std::vector<std::string>& names) override;
    uint32_t ReadEntryProperties(const std::string& name, RemoteEntryProperties& properties) override;
    uint32_t WriteEntryProperties(const std::string& name, const RemoteEntryProperties& properties) override;
    uint32_t EditEntry(const std::string& name) override;
    // "/peers/NAME" for every known entry.
    RemoteEntryFile EntryFile(const std::string& name) override;

    std::vector<Entry> entries;
    uint32_t listError = 0;  // nonzero: listing fails with it
    uint32_t writeError = 0; // nonzero: every write fails with it (and is still recorded)
    std::vector<std::pair<std::string, RemoteEntryProperties>> written;
    std::vector<std::string> edited;
};

// One test's platform: every seam replaced by a recording fake.
struct FakePlatform {
    FakeMessageBoxes messages;
    FakeFileDialogs fileDialogs;
    FakeWaitCursor waitCursor;
    FakeDebugOutput debug;
    FakeRemotePhoneBook phoneBook;
    FakeRemoteDialer dialer;
    FakePrintDevice printDevice;
    Platform platform{messages, fileDialogs, waitCursor, debug, phoneBook, dialer, printDevice};
};
