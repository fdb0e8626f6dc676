// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace tobrisk {

// Command numbers of the menus and the tool bar; they are the ids the prompts and the
// enable rules are keyed by.
enum CommandId : int {
    ID_FILE_IMPORT = 214,
    ID_FILE_EXPORT = 213,
    ID_FILE_SAVE_TO_EXCHANGE = 216,
    ID_FILE_PRINT = 208,
    ID_APP_EXIT = 57665,
    ID_CONNECT = 200,
    ID_DISCONNECT = 201,
    ID_ENTRY_ADD = 204,
    ID_ENTRY_DELETE = 206,
    ID_ENTRY_MODIFY = 207,
    ID_DIGITS = 210,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_APP_ABOUT = 57664,
    ID_VIEW_FREE_SHORT_NUMBERS = 0x9100,
    ID_EDIT_UNDO = 0x9200,
    ID_EDIT_REDO = 0x9201,
    ID_FILE_RESTORE = 0x9300,
};

// The line pane of the status bar.
constexpr int ID_INDICATOR_LINE = 202;

} // namespace tobrisk
