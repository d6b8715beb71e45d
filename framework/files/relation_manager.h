// The relation manager of one data file: opens and closes the file together with its related files, as
// the dictionary declares the relations, and keeps related files consistent on updates and deletes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/files/file_manager.h"

namespace kirva::framework {

// The referential action on update or delete of a record that related records point to.
enum RelationMode : uint8_t {
    ModeNone = 0,
    ModeClear = 1,     // the related records' linking fields are cleared
    ModeRestrict = 2,  // the change is refused while related records exist
    ModeCascade = 3,   // the related records follow (are changed or deleted with it)
};

// Message ids the relation manager raises.
enum RelationMessage : int32_t {
    MsgTransactionCancelled = 27,
    MsgRestrictedDelete = 36,
    MsgRestrictedUpdate = 37,
    MsgRecordDeleteError = 39,
};

class RelationManager;

struct RelationEntry {
    RelationManager* file;                                    // the related file's relation manager
    std::vector<std::pair<std::size_t, std::size_t>> fields;  // (this file's field, the related file's field)
    std::optional<std::size_t> hisKey;  // the related file's key; none for a relation without fields
    uint8_t updateMode = ModeNone;
    uint8_t deleteMode = ModeNone;
    int opened = 0;  // opens of the related file this relation caused and has not closed yet
};

class RelationManager {
  public:
    RelationManager() = default;
    virtual ~RelationManager();
    RelationManager(const RelationManager&) = delete;
    RelationManager& operator=(const RelationManager&) = delete;

    void configure(FileManager& fileManager, bool useLogout);
    // A relation without fields; then the relation with its modes and the related file's key, followed by
    // one declareLink per linking pair. Called only from declareRelations.
    void declareRelation(RelationManager& related);
    void declareRelation(RelationManager& related, uint8_t updateMode, uint8_t deleteMode, std::size_t hisKey);
    void declareLink(std::size_t thisField, std::size_t relatedField);

    // The operation table, in its order.
    virtual void cancelAutoNumber();
    virtual uint8_t close(bool nested = false);
    // Deletes the current record (ask: confirm first) and passes the delete to the related files.
    virtual uint8_t deleteRecord(bool ask = true);
    virtual uint8_t cascadeDelete();
    virtual void shutdown();
    virtual uint8_t open(bool nested = false);
    // Keeps the linking fields' values of the current record, so that an update can tell what changed.
    virtual void saveLinks();
    virtual void setQuickScan(bool on, bool propagate = false);
    virtual uint8_t insert();
    virtual uint8_t update(bool fromForm = false);
    virtual uint8_t cascadeUpdate();
    // Overridden per file: declares the file's relations; runs once, when they are first needed.
    virtual void declareRelations() {}

    FileManager& me() const { return *me_; }
    const std::vector<RelationEntry>& relations() const { return relations_; }
    bool relationsDeclared() const { return deferredRelationsDone_; }
    RelationManager* aliasFile = nullptr;
    bool useLogout() const { return useLogout_; }
    uint8_t logoutTimeout() const { return logoutTimeout_; }
    uint32_t lastTouched() const { return lastTouched_; }
    // The driver commands setQuickScan sent, for the record.
    const std::vector<std::string>& quickScanCommands() const { return quickScanCommands_; }

  private:
    void ensureRelationsDeclared();
    void quickScanSweep(bool on, bool propagate);
    // Positions the related file on the records linked to this record's values (or to `values`).
    bool firstLinked(RelationEntry& relation, const data::Record& source);
    bool linkedValuesEqual(const RelationEntry& relation, const data::Record& source) const;
    bool startTransaction();

    FileManager* me_ = nullptr;
    bool killed_ = false;
    std::vector<RelationEntry> relations_;
    bool prevUseLogout_ = false;
    bool useLogout_ = false;
    bool useLogoutOnInsert_ = false;
    uint8_t logoutTimeout_ = 2;
    uint32_t lastTouched_ = 0;
    bool forcingOpen_ = false;
    bool deferredRelationsDone_ = false;
    std::optional<data::Record> savedLinks_;
    std::vector<std::string> quickScanCommands_;
};

// The calling thread's sweep counter: raised by every top-level open or close.
uint32_t relationSweepCounter();

}  // namespace kirva::framework
