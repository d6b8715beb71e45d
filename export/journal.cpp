#include "export/journal.h"

#include "data/layout.h"
#include "platform/text1250.h"

namespace kirva::exporting {

namespace {

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

RunResult buildJournal(ExportFiles& files, const settings::Settings& settings, const Period& period,
                       const std::string& path, platform::MessageBoxes& boxes, const ProgressReport& progress) {
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
    xml.add("Firma", padRight(settings.firmaOpal, 50).bytes());
    xml.add("Kljuc", padRight(settings.kljucOpal, 50).bytes());
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
