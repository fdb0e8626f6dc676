// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

struct CFilesContext;

// The folder of the chosen path becomes the initial folder of the next file dialog, also in later runs.
void RememberFolder(QString& lastFolder, const QString& chosenPath);

// "Salva su file": the directory, in the order the list shows it, to a file chosen by the user.
void ExportDirectory(CFilesContext& context);
// "Leggi da file": a file chosen by the user into the directory, replacing or updating it.
void ImportDirectory(CFilesContext& context);
// "Stampa": the directory as a fixed-pitch listing, in the order the list shows it.
void PrintDirectory(CFilesContext& context);
