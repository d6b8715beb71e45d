#include "app/dictionary.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "data/rules.h"
#include "platform/text1250.h"
#include "platform/thread_slot.h"

namespace kirva::app {

using data::dictionaryLayouts;
using data::FieldCheck;
using data::Layout;
using data::MemoDef;

namespace {

struct Link {
    std::string_view mine;
    std::string_view his;
};

// A relation with fields, registered on `file`'s relation manager.
struct RelationDef {
    std::string_view file;
    std::string_view related;
    std::string_view hisKey;
    std::vector<Link> links;
    uint8_t updateMode;
    uint8_t deleteMode;
};

const std::vector<RelationDef>& relationTable() {
    static const std::vector<RelationDef> table{
        {"FAPARAC2",
         "SFPOEN",
         "SFPOEN:SIFRAKLJUC",
         {{"FIRMA", "PODJETJE"}, {"POSLOVNAENOTA", "SIFRAPOSLOVNEENOTE"}},
         3,
         2},
        {"APPINS", "APPINRA", "APPINRA:POBANKI", {{"SIFRAPODJETJA", "SIFRAPODJETJA"}}, 3, 2},
        {"APPINS", "APPINDOD", "APPINDOD:SIFRAKLJUC", {{"SIFRAPODJETJA", "SIFRAPODJETJA"}}, 3, 3},
        {"APPINS", "SFPOEN", "SFPOEN:SIFRAKLJUC", {{"SIFRAPODJETJA", "PODJETJE"}}, 3, 2},
        {"FAPARAC", "FARACUN", "FARACUN:KNJIGAENOTAKLJUC", {{"FIRMA", "BE"}, {"POSLOVNAENOTA", "POSLOVNAENOTA"}}, 3, 0},
        {"SFPOEN",
         "ODMEENO",
         "ODMEENO:ENOTAKLJUC",
         {{"PODJETJE", "PODJETJE"}, {"SIFRAPOSLOVNEENOTE", "SIFRAENOTE"}},
         3,
         2},
        {"SFPOEN",
         "FAPARAC",
         "FAPARAC:KNJIZENJEKLJUC",
         {{"PODJETJE", "FIRMA"}, {"SIFRAPOSLOVNEENOTE", "POSLOVNAENOTA"}},
         3,
         0},
        {"QFASTOR",
         "QFASTPO",
         "QFASTPO:RACUNKEY",
         {{"FIRMA", "FIRMA"}, {"VRSTARACUNA", "VRSTARACUNA"}, {"RACUNSTEVILKA", "RACUNSTEVILKA"}},
         3,
         3},
    };
    return table;
}

// The plain relations back: (file, related).
const std::vector<std::pair<std::string_view, std::string_view>>& plainRelations() {
    static const std::vector<std::pair<std::string_view, std::string_view>> table{
        {"SFPOEN", "FAPARAC2"}, {"SFPOEN", "APPINS"},  {"APPINRA", "APPINS"},  {"APPINDOD", "APPINS"},
        {"ODMEENO", "SFPOEN"},  {"FAPARAC", "SFPOEN"}, {"FARACUN", "FAPARAC"}, {"QFASTPO", "QFASTOR"},
    };
    return table;
}

struct Dictionary;

class DictionaryFileManager final : public framework::FileManager {
  public:
    DictionaryFileManager(Dictionary& dictionary, std::size_t index) : dictionary_(dictionary), index_(index) {}

    void configure() override;
    uint8_t use(framework::UseType useType = framework::UseType::Keep) override;
    void shutdown() override;
    void setInitialValues() override;
    uint8_t checkField(int field, bool raise) override;
    void exposeFields() override;

  private:
    Dictionary& dictionary_;
    std::size_t index_;
};

class DictionaryRelationManager final : public framework::RelationManager {
  public:
    DictionaryRelationManager(Dictionary& dictionary, std::size_t index) : dictionary_(dictionary), index_(index) {}
    void declareRelations() override;

  private:
    Dictionary& dictionary_;
    std::size_t index_;
};

struct Entry {
    const Layout* layout = nullptr;
    std::string ownName;  // the name text of a file the program never names
    std::unique_ptr<framework::DataFile> file;
    std::unique_ptr<DictionaryFileManager> fileManager;
    std::unique_ptr<DictionaryRelationManager> relationManager;
    // The references the rest of the program reaches the file through.
    framework::FileManager* access = nullptr;
    framework::RelationManager* relate = nullptr;
};

struct Dictionary {
    framework::ErrorManager* errors = nullptr;
    DictionaryOptions options;
    SystemClock systemClock;
    std::vector<Entry> entries;

    Entry* find(std::string_view label) {
        for (auto& entry : entries) {
            if (equalNoCase(entry.layout->label, label)) return &entry;
        }
        return nullptr;
    }
    const Clock& clock() const { return options.clock != nullptr ? *options.clock : systemClock; }
};

// A thread slot, not a thread_local unique_ptr: see platform/thread_slot.h.
platform::ThreadSlot<Dictionary> threadDictionary;

void DictionaryFileManager::configure() {
    Entry& entry = dictionary_.entries[index_];
    framework::FileManager* alias = nullptr;
    if (entry.layout->label == "FAPARAC2") alias = dictionary_.find("FAPARAC")->fileManager.get();
    bindFile(*entry.file, *dictionary_.errors, entry.layout->label, alias);
    FileManager::configure();
    entry.access = this;
}

uint8_t DictionaryFileManager::use(framework::UseType useType) {
    if (useType != framework::UseType::Initialize) use(framework::UseType::Initialize);
    if (useType == framework::UseType::Initialize && !initialized()) {
        Entry& entry = dictionary_.entries[index_];
        attach(*entry.file, *dictionary_.errors);
        create = 1;
        lockRecover = dictionary_.options.lockRecover;
        const auto& keys = entry.layout->keys;
        for (std::size_t key = 0; key < keys.size(); ++key) {
            registerKey(key, cp1250(keys[key].description), keys[key].autoNumbered);
        }
    }
    return FileManager::use(useType);
}

void DictionaryFileManager::shutdown() {
    FileManager::shutdown();
    dictionary_.entries[index_].access = nullptr;
}

void DictionaryFileManager::setInitialValues() {
    const Layout& layout = *dictionary_.entries[index_].layout;
    if (!layout.initialValues.empty() && file() != nullptr) {
        data::setInitialValues(file()->record(), dictionary_.clock().today());
    }
    FileManager::setInitialValues();
}

uint8_t DictionaryFileManager::checkField(int field, bool raise) {
    if (const uint8_t base = FileManager::checkField(field, raise); base != framework::ResultDone) return base;
    if (file() == nullptr) return framework::ResultDone;
    const FieldCheck check = data::checkField(file()->record(), field);
    if (check.result == 0) return framework::ResultDone;
    if (!raise) return framework::ResultFailed;
    errorManager()->setFieldName(cp1250(check.prompt));
    return static_cast<uint8_t>(raiseErrorWithText(check.messageEntry, cp1250(check.message)));
}

void DictionaryFileManager::exposeFields() {
    FileManager::exposeFields();
    // The base binds the fields; a memo is made available under its own name.
    for (const MemoDef& memo : dictionary_.entries[index_].layout->memos) expose(std::string(memo.exposedName));
}

void DictionaryRelationManager::declareRelations() {
    const std::string_view label = dictionary_.entries[index_].layout->label;
    const Layout& mine = *dictionary_.entries[index_].layout;
    for (const RelationDef& def : relationTable()) {
        if (def.file != label) continue;
        Entry* related = dictionary_.find(def.related);
        const auto hisKey = related->layout->findKey(def.hisKey);
        declareRelation(*related->relationManager, def.updateMode, def.deleteMode, hisKey.value_or(0));
        for (const Link& link : def.links) {
            const auto thisField = mine.findField(link.mine);
            const auto relatedField = related->layout->findField(link.his);
            if (thisField && relatedField) declareLink(*thisField, *relatedField);
        }
    }
    for (const auto& [file, related] : plainRelations()) {
        if (file == label) declareRelation(*dictionary_.find(related)->relationManager);
    }
}

}  // namespace

void dictionaryInit(framework::ErrorManager& errors, settings::DataFileNames& names, DictionaryOptions options) {
    if (threadDictionary.find() != nullptr) return;
    auto dictionary = std::make_unique<Dictionary>();
    dictionary->errors = &errors;
    dictionary->options = options;
    const auto& layouts = dictionaryLayouts();
    dictionary->entries.resize(layouts.size());
    for (std::size_t i = 0; i < layouts.size(); ++i) dictionary->entries[i].layout = layouts[i];

    // The per-thread file instances with their name texts.
    for (auto& entry : dictionary->entries) {
        const std::string* name = names.find(entry.layout->label);
        if (name == nullptr) {
            if (entry.layout->label == "FAPARAC2") {
                name = &dictionary->find("FAPARAC")->ownName;
            } else {
                name = &entry.ownName;
            }
        }
        entry.file = std::make_unique<framework::DataFile>(*entry.layout, name);
    }
    // 1. The managers; the relation-manager references.
    for (std::size_t i = 0; i < dictionary->entries.size(); ++i) {
        Entry& entry = dictionary->entries[i];
        entry.fileManager = std::make_unique<DictionaryFileManager>(*dictionary, i);
        entry.relationManager = std::make_unique<DictionaryRelationManager>(*dictionary, i);
    }
    for (auto& entry : dictionary->entries) entry.relate = entry.relationManager.get();
    // 2. Configure each file manager (which publishes its reference), then its relation manager.
    for (auto& entry : dictionary->entries) {
        entry.fileManager->configure();
        entry.relationManager->configure(*entry.fileManager, false);
        if (entry.layout->label == "FAPARAC2") {
            entry.relationManager->aliasFile = dictionary->find("FAPARAC")->relationManager.get();
        }
    }
    threadDictionary.put(std::move(dictionary));
}

void dictionaryShutdown() {
    if (threadDictionary.find() == nullptr) return;
    Dictionary& dictionary = *threadDictionary.find();
    for (auto& entry : dictionary.entries) {
        entry.relationManager->shutdown();
        entry.fileManager->dispose();
        entry.fileManager.reset();
        entry.access = nullptr;
        entry.relate = nullptr;
        entry.relationManager.reset();
    }
    // At thread end the file instances go too; a file still open is closed by its storage.
    for (auto& entry : dictionary.entries) entry.file.reset();
    threadDictionary.reset();
}

bool dictionaryActive() {
    return threadDictionary.find() != nullptr;
}

framework::FileManager* accessOf(std::string_view label) {
    Dictionary* dictionary = threadDictionary.find();
    if (dictionary == nullptr) return nullptr;
    Entry* entry = dictionary->find(label);
    return entry != nullptr ? entry->access : nullptr;
}

framework::RelationManager* relateOf(std::string_view label) {
    Dictionary* dictionary = threadDictionary.find();
    if (dictionary == nullptr) return nullptr;
    Entry* entry = dictionary->find(label);
    return entry != nullptr ? entry->relate : nullptr;
}

framework::DataFile* fileOf(std::string_view label) {
    Dictionary* dictionary = threadDictionary.find();
    if (dictionary == nullptr) return nullptr;
    Entry* entry = dictionary->find(label);
    return entry != nullptr ? entry->file.get() : nullptr;
}

}  // namespace kirva::app
