#include "framework/files/relation_manager.h"

#include <string>

#include "platform/text1250.h"

namespace kirva::framework {

namespace {

// Relations may form cycles: one sweep visits each manager once.
thread_local uint32_t sweepCounter = 0;

bool isNumber(const data::Record& record, std::size_t field) {
    const data::FieldDef& f = record.layout().fields[field];
    return f.isNumber() && f.type != data::FieldType::Decimal;
}

// Linked values compare as numbers where both fields are numbers (their widths may differ), else as texts.
bool sameValue(const data::Record& a, std::size_t fa, const data::Record& b, std::size_t fb) {
    if (isNumber(a, fa) && isNumber(b, fb)) return a.integer(fa) == b.integer(fb);
    return clipRight(a.text(fa)) == clipRight(b.text(fb));
}

void copyValue(const data::Record& from, std::size_t ff, data::Record& to, std::size_t tf) {
    if (isNumber(from, ff) && isNumber(to, tf)) {
        (void)to.setInteger(tf, from.integer(ff));
    } else {
        (void)to.setText(tf, clipRight(from.text(ff)));
    }
}

void clearValue(data::Record& record, std::size_t field) {
    if (isNumber(record, field)) {
        (void)record.setInteger(field, 0);
    } else {
        (void)record.setText(field, Text1250());
    }
}

}  // namespace

uint32_t relationSweepCounter() {
    return sweepCounter;
}

RelationManager::~RelationManager() {
    if (!killed_ && me_ != nullptr && me_->file() != nullptr && relationManagerOf(*me_->file()) == this) {
        unmapRelationManager(*me_->file());
    }
}

void RelationManager::configure(FileManager& fileManager, bool useLogout) {
    me_ = &fileManager;
    killed_ = false;
    relations_.clear();
    useLogout_ = useLogout;
    logoutTimeout_ = 2;
    if (fileManager.file() != nullptr) mapRelationManager(*fileManager.file(), this);
}

void RelationManager::declareRelation(RelationManager& related) {
    relations_.push_back({&related, {}, {}, 0, 0, 0});
}

void RelationManager::declareRelation(RelationManager& related, uint8_t updateMode, uint8_t deleteMode,
                                      std::size_t hisKey) {
    relations_.push_back({&related, {}, hisKey, updateMode, deleteMode, 0});
}

void RelationManager::declareLink(std::size_t thisField, std::size_t relatedField) {
    if (!relations_.empty()) relations_.back().fields.emplace_back(thisField, relatedField);
}

void RelationManager::ensureRelationsDeclared() {
    if (deferredRelationsDone_) return;
    deferredRelationsDone_ = true;
    declareRelations();
}

uint8_t RelationManager::open(bool nested) {
    const bool previousForcing = forcingOpen_;
    if (!me_->lazyOpen) forcingOpen_ = true;
    if (nested) {
        if (lastTouched_ == sweepCounter) {
            forcingOpen_ = previousForcing;
            return ResultDone;
        }
    } else {
        ++sweepCounter;
    }
    lastTouched_ = sweepCounter;

    me_->forcePhysicalOpen = forcingOpen_;
    uint8_t result = me_->open();
    me_->forcePhysicalOpen = false;
    if (!nested && result == ResultDone) result = me_->use(UseType::Keep);
    if (!nested || forcingOpen_) ensureRelationsDeclared();
    for (auto& relation : relations_) {
        if (result != ResultDone) break;
        RelationManager& related = *relation.file;
        const int32_t before = related.me().opened();
        const bool relatedForcing = related.forcingOpen_;
        if (forcingOpen_) related.forcingOpen_ = true;
        result = related.open(true);
        related.forcingOpen_ = relatedForcing;
        if (related.me().opened() > before) ++relation.opened;
    }
    forcingOpen_ = previousForcing;
    return result;
}

uint8_t RelationManager::close(bool nested) {
    if (nested) {
        if (lastTouched_ == sweepCounter) return ResultDone;
    } else {
        ++sweepCounter;
    }
    lastTouched_ = sweepCounter;
    me_->close();
    if (deferredRelationsDone_) {
        for (auto& relation : relations_) {
            if (relation.opened == 0) continue;
            RelationManager& related = *relation.file;
            const int32_t before = related.me().opened();
            related.close(true);
            if (related.me().opened() < before) --relation.opened;
        }
    }
    return ResultDone;
}

void RelationManager::shutdown() {
    if (me_ == nullptr || killed_) return;
    me_->shutdown();
    if (me_->file() != nullptr && relationManagerOf(*me_->file()) == this) unmapRelationManager(*me_->file());
    relations_.clear();
    killed_ = true;
}

void RelationManager::cancelAutoNumber() {
    me_->cancelAutoNumber();
}

void RelationManager::setQuickScan(bool on, bool propagate) {
    ++sweepCounter;
    quickScanSweep(on, propagate);
}

void RelationManager::quickScanSweep(bool on, bool propagate) {
    if (lastTouched_ == sweepCounter) return;
    lastTouched_ = sweepCounter;
    if (me_->used() && me_->file() != nullptr) {
        const std::string command = std::string("QUICKSCAN=") + (on ? "on" : "off");
        quickScanCommands_.push_back(command);
        (void)me_->file()->storage().sendCommand(command);  // a driver without it ignores it
    }
    if (!propagate) return;
    ensureRelationsDeclared();
    for (auto& relation : relations_) relation.file->quickScanSweep(on, true);
}

// ---------------------------------------------------------------------------------------------------------
// Referential actions

bool RelationManager::startTransaction() {
    // The storage layer frames no transactions for the framework: a file that asks for one is refused.
    if (!useLogout_) return true;
    me_->raiseError(MsgTransactionCancelled);
    return false;
}

bool RelationManager::linkedValuesEqual(const RelationEntry& relation, const data::Record& source) const {
    const data::Record& related = relation.file->me().file()->record();
    for (const auto& [mine, his] : relation.fields) {
        if (!sameValue(source, mine, related, his)) return false;
    }
    return true;
}

bool RelationManager::firstLinked(RelationEntry& relation, const data::Record& source) {
    if (!relation.hisKey || relation.fields.empty()) return false;
    FileManager& related = relation.file->me();
    if (related.use(UseType::Keep) != ResultDone || related.file() == nullptr) return false;
    data::Record& record = related.file()->record();
    record.clear();
    for (const auto& [mine, his] : relation.fields) copyValue(source, mine, record, his);
    storage::KeyedFile& storage = related.file()->storage();
    if (storage.set(*relation.hisKey, record) != storage::NoError) return false;
    if (storage.next(record) != storage::NoError) return false;
    return linkedValuesEqual(relation, source);
}

uint8_t RelationManager::insert() {
    if (useLogoutOnInsert_ && !startTransaction()) return ResultFailed;
    return me_->insert();
}

uint8_t RelationManager::deleteRecord(bool ask) {
    if (!startTransaction()) return ResultFailed;
    ensureRelationsDeclared();
    const data::Record& mine = me_->file()->record();
    for (auto& relation : relations_) {
        if (relation.deleteMode != ModeRestrict) continue;
        if (firstLinked(relation, mine)) {
            relation.file->me().raiseError(MsgRestrictedDelete);
            return ResultFailed;
        }
    }
    // The related records follow the record's values, so keep them before it goes.
    data::Record deleted = mine;
    for (;;) {
        const uint8_t result = me_->deleteCurrent(ask);
        if (result == ResultDeclined) return result;
        if (result == ResultDone) break;
        if (me_->raiseError(MsgRecordDeleteError) != ErrorLevel::Quiet) return ResultFailed;
        ask = false;
    }
    data::Record& buffer = me_->file()->record();
    data::Record current = buffer;
    buffer = deleted;
    const uint8_t cascaded = cascadeDelete();
    buffer = current;
    return cascaded;
}

uint8_t RelationManager::cascadeDelete() {
    const data::Record source = me_->file()->record();
    for (auto& relation : relations_) {
        if (relation.deleteMode == ModeCascade) {
            while (firstLinked(relation, source)) {
                if (relation.file->deleteRecord(false) != ResultDone) return ResultFailed;
            }
        } else if (relation.deleteMode == ModeClear) {
            while (firstLinked(relation, source)) {
                data::Record& record = relation.file->me().file()->record();
                for (const auto& link : relation.fields) clearValue(record, link.second);
                if (relation.file->me().updateSilently() != ResultDone) return ResultFailed;
            }
        }
    }
    return ResultDone;
}

void RelationManager::saveLinks() {
    if (me_->file() != nullptr) savedLinks_.emplace(me_->file()->record());
}

uint8_t RelationManager::update(bool) {
    if (!startTransaction()) return ResultFailed;
    ensureRelationsDeclared();
    data::Record& mine = me_->file()->record();
    if (savedLinks_) {
        for (auto& relation : relations_) {
            if (relation.updateMode != ModeRestrict) continue;
            bool changed = false;
            for (const auto& link : relation.fields) changed |= !sameValue(mine, link.first, *savedLinks_, link.first);
            if (!changed) continue;
            data::Record current = mine;
            if (firstLinked(relation, *savedLinks_)) {
                relation.file->me().raiseError(MsgRestrictedUpdate);
                for (const auto& link : relation.fields) copyValue(*savedLinks_, link.first, current, link.first);
                mine = current;
                return ResultFailed;
            }
        }
    }
    const uint8_t result = me_->update();
    if (result != ResultDone) return result;
    return cascadeUpdate();
}

uint8_t RelationManager::cascadeUpdate() {
    if (!savedLinks_) return ResultDone;
    const data::Record now = me_->file()->record();
    const data::Record before = *savedLinks_;
    for (auto& relation : relations_) {
        if (relation.updateMode != ModeCascade && relation.updateMode != ModeClear) continue;
        bool changed = false;
        for (const auto& link : relation.fields) changed |= !sameValue(now, link.first, before, link.first);
        if (!changed) continue;
        while (firstLinked(relation, before)) {
            data::Record& record = relation.file->me().file()->record();
            for (const auto& [mine, his] : relation.fields) {
                if (relation.updateMode == ModeCascade) {
                    copyValue(now, mine, record, his);
                } else {
                    clearValue(record, his);
                }
            }
            if (relation.file->me().updateSilently() != ResultDone) return ResultFailed;
        }
    }
    savedLinks_.emplace(now);
    return ResultDone;
}

}  // namespace kirva::framework
