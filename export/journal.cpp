#include "export/journal.h"

#include <algorithm>

#include "data/layout_fields.h"
#include "platform/text1250.h"

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
        target = record.text(field);
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

// The Xml* calls the document is made of, so the builder reads as the tree it writes.
class JournalWriter {
  public:
    explicit JournalWriter(platform::XmlWriter& writer) : writer_(writer) {}
    void open(platform::ElementName name) {
        writer_.createParent(name);
        writer_.addParent();
    }
    void add(platform::ElementName name, std::string_view text) { writer_.addElement(name, text); }
    void close() { writer_.closeParent(); }

  private:
    platform::XmlWriter& writer_;
};

void writePartnerCode(JournalWriter& xml, const Invoice& invoice) {
    xml.open("Partner");
    xml.add("Sifra", partnerCodeForm(invoice.poslovniPartner));
    xml.close();
}

void writeDocument(JournalWriter& xml, const Invoice& invoice, const Customer& customer,
                   const std::vector<PostingLine>& lines, Market market) {
    const std::string description = documentDescription(invoice);
    const std::string country = countryCode(customer.drzava);

    xml.add("Trg", marketText(market));
    xml.add("Stevilka_dokumenta", documentNumberForm(invoice.stevilkaRacuna));
    xml.add("Datum_dokumenta", dateForm(invoice.datumDokumenta));
    xml.add("Datum_dur",
            dateForm(invoice.datumStoritveDobave != 0 ? invoice.datumStoritveDobave : invoice.datumDokumenta));
    xml.open("Obracunsko_obdobje");
    xml.add("Mesec", plainNumberForm(civilFromDate(invoice.datumDokumenta).month));
    xml.add("Leto", plainNumberForm(invoice.letoDokumenta));
    xml.close();
    xml.add("Datum_knjizenja", dateForm(invoice.datumKnjizenja));
    xml.add("Datum_prejema_izdaje", dateForm(invoice.datumDokumenta));
    xml.add("Opis_dokumenta", description);
    if (!isReverseCharge(invoice)) xml.add("Datum_ddv", dateForm(invoice.datumDokumenta));
    xml.add("Datum_zapadlosti", dateForm(invoice.datumValutePlacila));

    xml.open("Partner");
    xml.add("Sifra", partnerCodeForm(invoice.poslovniPartner));
    xml.add("Naziv1", clipRight(customer.naziv));
    xml.add("Naslov", clipRight(customer.naslov));
    xml.add("Postna_stevilka", postalCode(customer.posta));
    xml.add("Kraj", placeName(customer.posta));
    xml.add("Drzava", country);
    xml.add("DDV_status", vatStatus(customer));
    xml.add("Identifikacijska_stevilka", clipRight(customer.davcnaStevilkaEu));
    if (hasTaxNumber(customer)) xml.add("Davcna_stevilka", clipRight(customer.davcnaStev));
    if (!clipRight(customer.maticnaStevilka).empty()) {
        xml.add("Maticna_stevilka", clipRight(customer.maticnaStevilka));
    }
    xml.close();
    xml.add("Sifra_valute", "978");
    xml.add("Znesek_dokumenta", amountForm(invoice.znesekDebet));

    for (const PostingLine& line : lines) {
        const std::string amount = amountForm(line.amount);
        xml.open("Knjizba");
        xml.add("Vrsta_knjizbe", line.kindText);
        if (line.kind == LineKind::CustomerTotal) {
            xml.add("Opis_dokumenta", description);
            xml.add("Vrsta_dokumenta", "IR");
            xml.add("Konto", accountForm(line.account));
            writePartnerCode(xml, invoice);
            xml.add("Debet", amount);
            xml.add("Osnova", "0");
            xml.add("Sifra_valute", "978");
            xml.add("Valuta_debet", amount);
        } else {
            xml.add("Drzava_potrosnje", "SVN");
            if (line.kind == LineKind::ReverseChargeGeneral) {
                xml.add("Drzava_potrosnje", consumptionCountry(customer.drzava));
            }
            if (line.kind == LineKind::ReverseChargeGeneral || line.kind == LineKind::ReverseChargeReduced) {
                xml.add("Opis_dokumenta", cp1250("Račun 76.a člen"));
            }
            xml.add("Konto", accountForm(line.account));
            if (line.kind != LineKind::Difference) writePartnerCode(xml, invoice);
            xml.add("Kredit", amount);
            xml.add("Osnova", line.base ? amountForm(*line.base) : std::string("0"));
            xml.add("Sifra_valute", "978");
            xml.add("Valuta_kredit", amount);
        }
        xml.add("Drzava", country);
        xml.close();
    }
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
    customer.naziv = r.text(sfpartn::NAZIV);
    customer.naslov = r.text(sfpartn::NASLOV);
    customer.posta = r.text(sfpartn::POSTA);
    customer.drzava = r.text(sfpartn::DRZAVA);
    customer.ddv = static_cast<uint8_t>(r.integer(sfpartn::DDV));
    customer.davcnaStevilkaEu = r.text(sfpartn::DAVCNASTEVILKAEU);
    customer.davcnaStev = r.text(sfpartn::DAVCNASTEV);
    customer.maticnaStevilka = r.text(sfpartn::MATICNASTEVILKA);
    customer.skupina = r.text(sfpartn::SKUPINA);
    known_.emplace(invoice.poslovniPartner, customer);
    return true;
}

namespace {

// A text of the invoice or its customer that the journal cannot carry is a fault of the data, named where
// it lies: the data file, the invoice and the field.
// faracun is FARACUN's layout, taken before the book is read on its own thread: that thread writes the
// FARACUN record buffer, which this thread must not touch while it runs.
std::optional<framework::Reason> uncarriedText(const ExportFiles& files, const data::Layout& faracun,
                                               const Invoice& invoice, const Customer& customer) {
    const data::Layout& sfpartn = files.sfpartnRecord.layout();
    struct Source {
        const storage::KeyedFile& file;
        const data::Layout& layout;
        const char* field;
        const std::string& text;
    };
    const Source sources[] = {
        {files.faracun, faracun, "OPISKNJIZBE", invoice.opisKnjizbe},
        {files.sfpartn, sfpartn, "NAZIV", customer.naziv},
        {files.sfpartn, sfpartn, "NASLOV", customer.naslov},
        {files.sfpartn, sfpartn, "POSTA", customer.posta},
        {files.sfpartn, sfpartn, "DRZAVA", customer.drzava},
        {files.sfpartn, sfpartn, "DAVCNASTEVILKAEU", customer.davcnaStevilkaEu},
        {files.sfpartn, sfpartn, "DAVCNASTEV", customer.davcnaStev},
        {files.sfpartn, sfpartn, "MATICNASTEVILKA", customer.maticnaStevilka},
    };
    for (const Source& source : sources) {
        const auto at = platform::firstUncarriedByte(source.text);
        if (!at) continue;
        const bool ofCustomer = &source.file == &files.sfpartn;
        return framework::Reason{.what = framework::ReasonKind::TextNotCarried,
                                 .file = source.file.path(),
                                 .key = std::string(source.layout.prefix) + ":" + source.field,
                                 .invoice = invoice.stevilkaRacuna.toString(),
                                 .partner = ofCustomer ? std::to_string(invoice.poslovniPartner) : std::string(),
                                 .value = platform::byteText(static_cast<unsigned char>(source.text[*at])),
                                 .length = static_cast<int64_t>(*at + 1)};
    }
    return std::nullopt;
}

RunResult journalNotWritten(const std::string& path, const platform::XmlWriter& writer, std::string detail,
                            std::string invoice = {}) {
    return {RunStatus::JournalNotWritten,
            {.what = framework::ReasonKind::JournalNotWritten,
             .file = path,
             .invoice = std::move(invoice),
             .code = writer.failureCode(),
             .detail = std::move(detail)}};
}

RunResult unreadable(const storage::KeyedFile& file, const Error& error) {
    return {RunStatus::DataFileError,
            {.what = framework::ReasonKind::DataFileUnreadable, .file = file.path(), .detail = error.message}};
}

}  // namespace

ProgressCounter::ProgressCounter(storage::KeyedFile& book, ProgressReport report) : report_(std::move(report)) {
    if (report_) total_ = std::max<int64_t>(book.records(), 0);
}

RunResult buildJournal(ExportFiles& files, const settings::Settings& settings, const Period& period,
                       const std::string& fileName, platform::MessageBoxes& boxes, const ProgressReport& progress) {
    const std::string path = cp1250ToUtf8(clipRight(fileName));
    platform::XmlWriter writer;
    if (writer.createFile(path, "1.0", "Windows-1250") != 0) return journalNotWritten(path, writer, writer.failure());
    RunResult result = writeJournal(writer, path, files, settings, period, boxes, progress, nullptr);
    if (!result.ok()) return result;
    if (auto closed = writer.closeFile(); !closed) return journalNotWritten(path, writer, closed.error().message);
    return result;
}

RunResult writeJournal(platform::XmlWriter& writer, const std::string& path, ExportFiles& files,
                       const settings::Settings& settings, const Period& period, platform::MessageBoxes& boxes,
                       const ProgressReport& progress, CountingPass* counting) {
    ProgressCounter counter(files.faracun, progress);
    writer.setEncoding("Windows-1250");
    JournalWriter xml(writer);

    xml.open("Prenos");
    xml.open("Glava");
    xml.add("Program", "TALMOR KIRVA");
    xml.add("Program_verzija", "1.01 MAJ 2019");
    xml.add("Program_avtor", "TALMOR d.o.o.");
    xml.add("Verzija_xml", "1.00");
    xml.close();
    xml.open("Identifikacija");
    xml.add("Firma", padRight(settings.firmaOpal, 50));
    xml.add("Kljuc", padRight(settings.kljucOpal, 50));
    xml.close();
    xml.open("Telo");

    InvoiceBook book(files);
    UnitLookup units(files);
    CustomerLookup customers(files);
    if (auto started = book.start(period.from); !started) {
        return unreadable(files.faracun, started.error());
    }
    const data::Layout& faracunLayout = files.faracunRecord.layout();
    // Reading the book runs ahead on a thread of its own while the journal is built here. From now on this
    // thread leaves FARACUN and its record buffer to that thread.
    InvoiceStream invoices(book);
    UnitAccounts unit;
    Customer customer;
    for (;;) {
        auto read = invoices.next();
        if (!read) return unreadable(files.faracun, read.error());
        if (*read == nullptr) break;
        const Invoice& invoice = **read;
        counter.step();
        if (counting != nullptr) {
            const int64_t before = counting->tally.count;
            counting->tally.note(invoice, period);
            if (before == 0 && counting->tally.count == 1 && counting->firstInPeriod) counting->firstInPeriod();
        }
        if (!isTaken(invoice, period)) continue;

        auto unitFound = units.fetch(invoice, unit);
        if (!unitFound) return unreadable(files.sfenpa, unitFound.error());
        if (!*unitFound) boxes.show(missingUnitWarning(invoice));
        auto difference = differenceAmount(invoice);
        if (!difference) return unreadable(files.faracun, difference.error());

        xml.open("Dokument");
        xml.add("Dokument", documentKind(invoice));
        auto customerFound = customers.fetch(invoice, customer);
        if (!customerFound) return unreadable(files.sfpartn, customerFound.error());
        if (!*customerFound) boxes.show(missingCustomerWarning(invoice));
        if (auto bad = uncarriedText(files, faracunLayout, invoice, customer)) {
            return {RunStatus::DataFileError, std::move(*bad)};
        }
        const Market market = marketOf(customer);
        writeDocument(xml, invoice, customer, postingLines(invoice, unit, market, *difference), market);
        xml.close();
        if (writer.failed()) {
            return journalNotWritten(path, writer, writer.failure(), invoice.stevilkaRacuna.toString());
        }
    }
    if (counting != nullptr) counting->tally.complete = true;
    counter.finish();

    xml.close();
    xml.close();
    return {};
}

}  // namespace kirva::exporting
