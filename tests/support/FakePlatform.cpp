// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

using namespace tobrisk;

FakeMessageBoxes::~FakeMessageBoxes()
{
    EXPECT_TRUE(answers_.empty()) << answers_.size() << " queued message-box answer(s) never used";
}

MsgAnswer FakeMessageBoxes::Show(const QString& text, MsgButtons buttons, MsgAnswer defaultButton, MsgIcon icon)
{
    shown_.push_back({text, buttons, defaultButton, icon});
    // A plain message has one answer; the queue is kept for the questions.
    if (buttons == MsgButtons::Ok)
        return MsgAnswer::Ok;
    if (answers_.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return MsgAnswer::No;
    }
    const MsgAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

QStringList FakeMessageBoxes::Texts() const
{
    QStringList texts;
    for (const ShownBox& box : shown_)
        texts << box.text;
    return texts;
}

FakeFileDialogs::~FakeFileDialogs()
{
    EXPECT_TRUE(paths_.empty()) << "queued file-dialog answer(s) never used";
    EXPECT_TRUE(printerAnswers_.empty()) << "queued print-dialog answer(s) never used";
}

std::optional<QString> FakeFileDialogs::Next()
{
    if (paths_.empty()) {
        ADD_FAILURE() << "unexpected file dialog";
        return std::nullopt;
    }
    const QString path = paths_.front();
    paths_.pop_front();
    if (path.isNull())
        return std::nullopt;
    return path;
}

std::optional<QString> FakeFileDialogs::OpenFile(QWidget*, const QString& title, const QString& folder,
                                                 const QString& filter, const QString& defaultSuffix)
{
    requests_.push_back({title, folder, filter, defaultSuffix, false});
    return Next();
}

std::optional<QString> FakeFileDialogs::SaveFile(QWidget*, const QString& title, const QString& path,
                                                 const QString& filter, const QString& defaultSuffix)
{
    requests_.push_back({title, path, filter, defaultSuffix, true});
    return Next();
}

bool FakeFileDialogs::ChoosePrinter(QWidget*, QPrinter&)
{
    if (printerAnswers_.empty()) {
        ADD_FAILURE() << "unexpected print dialog";
        return false;
    }
    const bool answer = printerAnswers_.front();
    printerAnswers_.pop_front();
    return answer;
}

FakeRemotePhoneBook::Entry* FakeRemotePhoneBook::Find(const std::string& name)
{
    for (Entry& entry : entries)
        if (entry.name == name)
            return &entry;
    return nullptr;
}

uint32_t FakeRemotePhoneBook::ListEntries(std::vector<std::string>& names)
{
    names.clear();
    if (listError != 0)
        return listError;
    for (const Entry& entry : entries)
        names.push_back(entry.name);
    return 0;
}

uint32_t FakeRemotePhoneBook::ReadEntryProperties(const std::string& name, RemoteEntryProperties& properties)
{
    properties = {};
    const Entry* entry = Find(name);
    if (!entry)
        return REMOTE_ERR_OPTIONS;
    if (entry->readError != 0)
        return entry->readError;
    properties = entry->properties;
    return 0;
}

uint32_t FakeRemotePhoneBook::WriteEntryProperties(const std::string& name, const RemoteEntryProperties& properties)
{
    written.emplace_back(name, properties);
    Entry* entry = Find(name);
    if (!entry)
        return REMOTE_ERR_OPTIONS;
    if (writeError != 0 || entry->readError != 0)
        return writeError != 0 ? writeError : entry->readError;
    entry->properties.telephoneNumber = properties.telephoneNumber;
    entry->properties.defaultRoute = properties.defaultRoute;
    return 0;
}

uint32_t FakeRemotePhoneBook::EditEntry(const std::string& name)
{
    edited.push_back(name);
    return Find(name) ? 0 : REMOTE_ERR_OPTIONS;
}

RemoteEntryFile FakeRemotePhoneBook::EntryFile(const std::string& name)
{
    const Entry* entry = Find(name);
    if (!entry)
        return {};
    return {QStringLiteral("/peers/") + QString::fromStdString(name), entry->fileWritable};
}
