#include "export/invoice_book.h"

#include <algorithm>

#include "data/layout_fields.h"

namespace kirva::exporting {

namespace faracun = data::faracun;
namespace sfenpa = data::sfenpa;
namespace sfpartn = data::sfpartn;

namespace {

// A text field's bytes, as Record::text gives them, into a string that keeps its storage from record to
// record.
void assignText(std::string& target, const data::Record& record, std::size_t field) {
    const data::FieldDef& f = record.layout().fields[field];
    if (f.type != data::FieldType::Text || f.elements != 1) {
        target = record.text(field).bytes();  // the invoice model keeps the journal's bytes
        return;
    }
    target.assign(reinterpret_cast<const char*>(record.image().data()) + f.offset, f.size);
}

// The code's text and the driver's detail: which record, column and value is damaged, or whose lock
// outlasted the wait.
std::string readError(const storage::KeyedFile& file, std::string_view what) {
    const storage::StorageError& error = file.lastError();
    std::string text = "cannot read " + file.path() + " (" + std::string(what) + "): " + error.text();
    if (!error.sqliteMessage.empty()) text += " (" + error.sqliteMessage + ")";
    return text;
}

}  // namespace

InvoiceBook::InvoiceBook(ExportFiles& files) : files_(files) {}

Result<void> InvoiceBook::start(DateNumber from) {
    data::Record& record = files_.faracunRecord;
    record.clear();
    const auto be = record.setInteger(faracun::BE, 1);
    const auto year = record.setInteger(faracun::LETODOKUMENTA, civilFromDate(from).year);
    if (!be || !year) return makeError("the period's year does not fit the invoice book's key");
    if (files_.faracun.set(faracun::keys::RACUNKLJUC, record) != 0)
        return makeError(readError(files_.faracun, "position"));
    return {};
}

Result<bool> InvoiceBook::next(Invoice& invoice) {
    data::Record& r = files_.faracunRecord;
    const int code = files_.faracun.next(r);
    if (code == storage::EndOfFile) return false;
    if (code != 0) return makeError(readError(files_.faracun, "next record"));

    invoice.be = static_cast<uint8_t>(r.integer(faracun::BE));
    invoice.poslovnaEnota = static_cast<int16_t>(r.integer(faracun::POSLOVNAENOTA));
    assignText(invoice.tipRacuna, r, faracun::TIPRACUNA);
    invoice.poslovniPartner = static_cast<int32_t>(r.integer(faracun::POSLOVNIPARTNER));
    invoice.internaStevDokumenta = static_cast<int32_t>(r.integer(faracun::INTERNASTEVDOKUMENTA));
    invoice.letoDokumenta = static_cast<int16_t>(r.integer(faracun::LETODOKUMENTA));
    invoice.datumStoritveDobave = static_cast<DateNumber>(r.integer(faracun::DATUMSTORITVEDOBAVE));
    invoice.datumDokumenta = static_cast<DateNumber>(r.integer(faracun::DATUMDOKUMENTA));
    invoice.datumValutePlacila = static_cast<DateNumber>(r.integer(faracun::DATUMVALUTEPLACILA));
    invoice.datumKnjizenja = static_cast<DateNumber>(r.integer(faracun::DATUMKNJIZENJA));
    assignText(invoice.opisKnjizbe, r, faracun::OPISKNJIZBE);

    const std::pair<std::size_t, Decimal*> decimals[] = {
        {faracun::STEVILKARACUNA, &invoice.stevilkaRacuna}, {faracun::ZNESEKDEBET, &invoice.znesekDebet},
        {faracun::OSNOVADDV1, &invoice.osnovaDdv1},         {faracun::STOPNJADDV1, &invoice.stopnjaDdv1},
        {faracun::ZNESEKDDV1, &invoice.znesekDdv1},         {faracun::OSNOVADDV2, &invoice.osnovaDdv2},
        {faracun::STOPNJADDV2, &invoice.stopnjaDdv2},       {faracun::ZNESEKDDV2, &invoice.znesekDdv2},
        {faracun::STOPNJADDV1OBR, &invoice.stopnjaDdv1Obr}, {faracun::STOPNJADDV2OBR, &invoice.stopnjaDdv2Obr},
    };
    for (const auto& [field, target] : decimals) {
        auto value = r.decimal(field);
        if (!value) {
            return makeError("cannot read " + files_.faracun.path() + ": a damaged " + r.layout().fullFieldName(field) +
                             " in the record after invoice " + invoice.stevilkaRacuna.toString() + ": " +
                             value.error().message);
        }
        *target = *value;
    }
    return true;
}

InvoiceStream::InvoiceStream(InvoiceBook& book) : book_(book) {
    try {
        thread_ = std::thread([this] { run(); });
    } catch (...) {
        // No thread to be had: next() reads each batch itself.
    }
}

InvoiceStream::~InvoiceStream() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    emptied_.notify_one();
    thread_.join();
}

Result<const Invoice*> InvoiceStream::next() {
    for (;;) {
        if (holding_) {
            const Batch& batch = batches_[first_];
            if (taken_ < batch.size) return &batch.invoices[taken_++];
            if (batch.last) {
                if (batch.failed) return makeError(batch.error);
                return nullptr;
            }
            holding_ = false;
            if (thread_.joinable()) {
                std::lock_guard lock(mutex_);
                first_ = (first_ + 1) % kBatches;
                --ready_;
                emptied_.notify_one();
            }
        }
        if (thread_.joinable()) {
            std::unique_lock lock(mutex_);
            filled_.wait(lock, [this] { return ready_ > 0; });
        } else {
            fill(batches_[first_]);
        }
        holding_ = true;
        taken_ = 0;
    }
}

void InvoiceStream::run() noexcept {
    std::unique_lock lock(mutex_);
    for (;;) {
        emptied_.wait(lock, [this] { return ready_ < kBatches || stopping_; });
        if (stopping_) return;
        // The batches the caller may read are the ready ones from first_ on; the one after them is free.
        Batch& batch = batches_[(first_ + ready_) % kBatches];
        lock.unlock();
        fill(batch);
        const bool last = batch.last;
        lock.lock();
        ++ready_;
        filled_.notify_one();
        if (last) return;
    }
}

void InvoiceStream::fill(Batch& batch) noexcept {
    batch.size = 0;
    batch.last = false;
    batch.failed = false;
    batch.error.clear();
    while (batch.size < kBatchSize) {
        auto read = book_.next(batch.invoices[batch.size]);
        if (!read) {
            batch.failed = true;
            batch.error = read.error().message;
            batch.last = true;
            return;
        }
        if (!*read) {
            batch.last = true;
            return;
        }
        ++batch.size;
    }
}

UnitLookup::UnitLookup(ExportFiles& files) : files_(files) {}

Result<bool> UnitLookup::fetch(const Invoice& invoice, UnitAccounts& unit) {
    unit = UnitAccounts{};
    const std::pair<int, int> key{invoice.be, invoice.poslovnaEnota};
    if (const auto known = known_.find(key); known != known_.end()) {
        if (known->second) unit = *known->second;
        return known->second.has_value();
    }
    data::Record& r = files_.sfenpaRecord;
    // Cleared first, so a unit that does not exist leaves no other unit's accounts behind.
    r.clear();
    if (!r.setInteger(sfenpa::PODJETJE, invoice.be) ||
        !r.setInteger(sfenpa::SIFRAPOSLOVNEENOTE, invoice.poslovnaEnota)) {
        return false;
    }
    const int code = files_.sfenpa.get(sfenpa::keys::SIFRAKLJUC, r);
    if (code == storage::RecordNotFound) {
        known_.emplace(key, std::nullopt);
        return false;
    }
    if (code != 0) return makeError(readError(files_.sfenpa, "business unit"));
    auto account = [&r](std::size_t field) { return static_cast<uint32_t>(r.integer(field)); };
    unit.kontoKupciBrezgotovinsko = account(sfenpa::KONTOKUPCIBREZGOTOVINSKO);
    unit.kontoKupciGotovinsko = account(sfenpa::KONTOKUPCIGOTOVINSKO);
    unit.kontoRealizacijeStoritve = account(sfenpa::KONTOREALIZACIJESTORITVE);
    unit.kontoRealizacijeBlago = account(sfenpa::KONTOREALIZACIJEBLAGO);
    unit.kontoDdvVisja = account(sfenpa::KONTODDVVISJA);
    unit.kontoDdvNizja = account(sfenpa::KONTODDVNIZJA);
    unit.kontoIzravnave = account(sfenpa::KONTOIZRAVNAVE);
    known_.emplace(key, unit);
    return true;
}

CustomerLookup::CustomerLookup(ExportFiles& files) : files_(files) {}

Result<bool> CustomerLookup::fetch(const Invoice& invoice, Customer& customer) {
    customer = Customer{};
    if (const auto known = known_.find(invoice.poslovniPartner); known != known_.end()) {
        if (known->second) customer = *known->second;
        return known->second.has_value();
    }
    if (known_.size() >= kKept) known_.clear();
    data::Record& r = files_.sfpartnRecord;
    r.clear();
    // A negative customer number names no partner: partner codes are unsigned.
    if (invoice.poslovniPartner < 0 || !r.setInteger(sfpartn::SIFRA, invoice.poslovniPartner)) {
        known_.emplace(invoice.poslovniPartner, std::nullopt);
        return false;
    }
    const int code = files_.sfpartn.get(sfpartn::keys::SIFRAKLJUC, r);
    if (code == storage::RecordNotFound) {
        known_.emplace(invoice.poslovniPartner, std::nullopt);
        return false;
    }
    if (code != 0) return makeError(readError(files_.sfpartn, "customer"));
    assignText(customer.naziv, r, sfpartn::NAZIV);
    assignText(customer.naslov, r, sfpartn::NASLOV);
    assignText(customer.posta, r, sfpartn::POSTA);
    assignText(customer.drzava, r, sfpartn::DRZAVA);
    customer.ddv = static_cast<uint8_t>(r.integer(sfpartn::DDV));
    assignText(customer.davcnaStevilkaEu, r, sfpartn::DAVCNASTEVILKAEU);
    assignText(customer.davcnaStev, r, sfpartn::DAVCNASTEV);
    assignText(customer.maticnaStevilka, r, sfpartn::MATICNASTEVILKA);
    assignText(customer.skupina, r, sfpartn::SKUPINA);
    known_.emplace(invoice.poslovniPartner, customer);
    return true;
}

ProgressCounter::ProgressCounter(storage::KeyedFile& book, ProgressReport report) : report_(std::move(report)) {
    if (report_) total_ = std::max<int64_t>(book.records(), 0);
}

}  // namespace kirva::exporting
