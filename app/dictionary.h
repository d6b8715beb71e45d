// The dictionary set-up: for the calling thread, the thirteen data files with their record buffers, and for
// each a file manager and a relation manager configured as the dictionary declares them (keys with their
// descriptions, the file-name text, creation and lock recovery, field rules, initial values, the relations).
// It lives in app/ beside the start-up that calls it, because it stands on the file manager framework
// (framework/files/), the error manager and the settings' data-file names; it never includes Qt.
#pragma once

#include <cstdint>
#include <string_view>

#include "framework/errors/error_manager.h"
#include "framework/files/file_manager.h"
#include "framework/files/relation_manager.h"
#include "platform/date.h"
#include "settings/settings_store.h"

namespace kirva::app {

struct DictionaryOptions {
    // Seconds a refused open waits on a lock before it is tried once more (tests make it short).
    int16_t lockRecover = 10;
    // "Today" for the initial values of new records; the system's date when null.
    const Clock* clock = nullptr;
};

// Builds the managers of all thirteen files for the calling thread, in the dictionary's order, without
// opening any. The file managers hold references to the name texts in `names` (which must outlive the
// dictionary), so a name assigned later is the one opened; the files the program never names get empty
// name texts of their own (FAPARAC2 shares FAPARAC's). A second call on a thread does nothing.
void dictionaryInit(framework::ErrorManager& errors, settings::DataFileNames& names, DictionaryOptions options = {});
// Ends and releases the managers and files of the calling thread, in the dictionary's order, whether or not
// a file was ever opened.
void dictionaryShutdown();
bool dictionaryActive();

// The calling thread's references, by the file's label (case-insensitive); nullptr for an unknown label or
// when the dictionary is not set up on this thread.
framework::FileManager* accessOf(std::string_view label);
framework::RelationManager* relateOf(std::string_view label);
framework::DataFile* fileOf(std::string_view label);

}  // namespace kirva::app
