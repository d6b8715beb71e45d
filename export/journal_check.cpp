#include "export/journal_check.h"

#include <optional>
#include <utility>

#include "platform/date.h"
#include "platform/text1250.h"
#include "platform/xml/xml_reader.h"

namespace kirva::exporting {

namespace {

using platform::XmlEvent;

// One element read back, with its children; texts of elements that have children are dropped.
struct Node {
    std::string name;
    std::string text;
    std::size_t line = 0;
    std::vector<Node> children;
};

// A document with more elements than this is not a journal's; reading it whole would only cost memory.
constexpr std::size_t kMaxNodes = 4096;

bool isBlank(std::string_view text) {
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return false;
    }
    return true;
}

bool allDigits(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

std::string_view trimLeft(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return text;
}

class Checker {
  public:
    explicit Checker(std::string_view bytes) : reader_(bytes), bytes_(bytes) {}

    JournalCheck run();

  private:
    void fault(std::string element, std::string value, std::string problem) {
        result_.faults.push_back({where_, std::move(element), std::move(value), std::move(problem)});
    }
    // Reads the element just opened (`open`) with everything in it; false when the reading failed.
    bool readElement(const XmlEvent& open, Node& node, std::size_t& budget);
    bool readFailed(const Error& error) {
        result_.faults.push_back({where_, "", "", error.message});
        return false;
    }

    // Takes the next child when it has this name; a missing required one is a fault.
    struct Cursor {
        const Node& parent;
        std::string path;
        std::size_t at = 0;
    };
    const Node* take(Cursor& cursor, std::string_view name, bool required);
    void finish(Cursor& cursor);
    std::string pathOf(const Cursor& cursor, const Node& node) const {
        return cursor.path.empty() ? node.name : cursor.path + "/" + node.name;
    }

    std::optional<Decimal> amount(const Cursor& cursor, const Node* node);
    void date(const Cursor& cursor, const Node* node, bool mayBeEmpty);
    void constant(const Cursor& cursor, const Node* node, std::string_view expected);
    void oneOf(const Cursor& cursor, const Node* node, std::initializer_list<std::string_view> allowed);
    std::optional<int64_t> number(const Cursor& cursor, const Node* node, std::string_view text, int64_t max);

    void checkHeader(const Node& glava);
    void checkIdentification(const Node& identifikacija);
    void checkDocument(const Node& dokument, std::size_t index);

    platform::XmlReader reader_;
    std::string_view bytes_;
    JournalCheck result_;
    std::string where_ = "journal";
};

bool Checker::readElement(const XmlEvent& open, Node& node, std::size_t& budget) {
    node.name = open.name;
    node.line = open.line;
    for (;;) {
        auto event = reader_.next();
        if (!event) return readFailed(event.error());
        switch (event->kind) {
            case XmlEvent::Kind::Text:
                node.text += event->text;
                break;
            case XmlEvent::Kind::Open: {
                if (budget == 0) {
                    return readFailed(makeError("line " + std::to_string(event->line) + ": <" + node.name +
                                                "> holds more elements than any journal document"));
                }
                --budget;
                node.children.emplace_back();
                if (!readElement(*event, node.children.back(), budget)) return false;
                break;
            }
            case XmlEvent::Kind::Close:
                if (!node.children.empty()) {
                    if (!isBlank(node.text)) {
                        fault(node.name, node.text, "text beside the elements of <" + node.name + ">");
                    }
                    node.text.clear();
                }
                return true;
            case XmlEvent::Kind::End:
                return readFailed(makeError("the file ends inside <" + node.name + ">"));
        }
    }
}

const Node* Checker::take(Cursor& cursor, std::string_view name, bool required) {
    const auto& children = cursor.parent.children;
    if (cursor.at < children.size() && children[cursor.at].name == name) return &children[cursor.at++];
    if (required) {
        const std::string found =
            cursor.at < children.size() ? "<" + children[cursor.at].name + "> stands there" : "nothing follows";
        fault((cursor.path.empty() ? "" : cursor.path + "/") + std::string(name), "", "missing (" + found + ")");
    }
    return nullptr;
}

void Checker::finish(Cursor& cursor) {
    const auto& children = cursor.parent.children;
    for (; cursor.at < children.size(); ++cursor.at) {
        fault(pathOf(cursor, children[cursor.at]), "", "not expected here");
    }
}

std::optional<Decimal> Checker::amount(const Cursor& cursor, const Node* node) {
    if (!node) return std::nullopt;
    // An optional minus, digits, a point and two decimals; the filling blanks after them are allowed.
    const std::string_view text = clipRight(node->text);
    const std::size_t point = text.find('.');
    const std::string_view whole =
        text.substr(!text.empty() && text[0] == '-' ? 1 : 0,
                    point == std::string_view::npos ? std::string_view::npos : point - (text[0] == '-' ? 1 : 0));
    if (point == std::string_view::npos || !allDigits(whole) || text.size() != point + 3 ||
        !allDigits(text.substr(point + 1))) {
        fault(pathOf(cursor, *node), node->text, "not an amount (digits, a point and two decimals)");
        return std::nullopt;
    }
    auto parsed = Decimal::parse(text, 2);
    if (!parsed) {
        fault(pathOf(cursor, *node), node->text, "not an amount: " + parsed.error().message);
        return std::nullopt;
    }
    return *parsed;
}

void Checker::date(const Cursor& cursor, const Node* node, bool mayBeEmpty) {
    if (!node) return;
    if (node->text.empty() && mayBeEmpty) return;
    const std::string_view text = node->text;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !parseDate(text)) {
        fault(pathOf(cursor, *node), node->text, "not a date (yyyy-mm-dd)");
    }
}

void Checker::constant(const Cursor& cursor, const Node* node, std::string_view expected) {
    if (node && node->text != expected) {
        fault(pathOf(cursor, *node), node->text, "should be '" + cp1250ToUtf8(expected) + "'");
    }
}

void Checker::oneOf(const Cursor& cursor, const Node* node, std::initializer_list<std::string_view> allowed) {
    if (!node) return;
    std::string list;
    for (const auto& value : allowed) {
        if (node->text == value) return;
        list += (list.empty() ? "'" : ", '") + std::string(value) + "'";
    }
    fault(pathOf(cursor, *node), node->text, "should be one of " + list);
}

std::optional<int64_t> Checker::number(const Cursor& cursor, const Node* node, std::string_view text, int64_t max) {
    if (!node) return std::nullopt;
    const bool negative = !text.empty() && text[0] == '-';
    const std::string_view digits = negative ? text.substr(1) : text;
    if (!allDigits(digits) || digits.size() > 18) {
        fault(pathOf(cursor, *node), node->text, "not a whole number");
        return std::nullopt;
    }
    int64_t value = 0;
    for (const char c : digits) value = value * 10 + (c - '0');
    if (value > max) {
        fault(pathOf(cursor, *node), node->text, "out of range (at most " + std::to_string(max) + ")");
        return std::nullopt;
    }
    return negative ? -value : value;
}

void Checker::checkHeader(const Node& glava) {
    Cursor c{glava, "Glava"};
    for (const char* name : {"Program", "Program_verzija", "Program_avtor"}) {
        if (const Node* n = take(c, name, true); n && clipRight(n->text).empty()) {
            fault(pathOf(c, *n), "", "empty");
        }
    }
    constant(c, take(c, "Verzija_xml", true), "1.00");
    finish(c);
}

void Checker::checkIdentification(const Node& identifikacija) {
    Cursor c{identifikacija, "Identifikacija"};
    take(c, "Firma", true);
    take(c, "Kljuc", true);
    finish(c);
}

void Checker::checkDocument(const Node& dokument, std::size_t index) {
    Cursor c{dokument, ""};
    const Node* kind = take(c, "Dokument", true);
    oneOf(c, kind, {"Izdani_racun", "Izdani_dobropis"});
    const Node* trg = take(c, "Trg", true);
    oneOf(c, trg, {"Domac", "EU", "Tretji_svet"});
    const Node* stevilka = take(c, "Stevilka_dokumenta", true);
    std::string invoice = stevilka ? std::string(clipRight(stevilka->text)) : std::string("?");
    where_ = "document " + std::to_string(index) + " (invoice " + cp1250ToUtf8(invoice) + ")";
    if (stevilka) number(c, stevilka, clipRight(stevilka->text), INT64_MAX / 10);
    date(c, take(c, "Datum_dokumenta", true), false);
    date(c, take(c, "Datum_dur", true), false);
    if (const Node* obdobje = take(c, "Obracunsko_obdobje", true)) {
        Cursor o{*obdobje, "Obracunsko_obdobje"};
        if (const Node* mesec = take(o, "Mesec", true)) {
            if (auto m = number(o, mesec, mesec->text, 12); m && *m < 1)
                fault(pathOf(o, *mesec), mesec->text, "no month");
        }
        if (const Node* leto = take(o, "Leto", true)) number(o, leto, leto->text, 9999);
        finish(o);
    }
    date(c, take(c, "Datum_knjizenja", true), true);
    date(c, take(c, "Datum_prejema_izdaje", true), false);
    const Node* opis = take(c, "Opis_dokumenta", true);
    const Node* datumDdv = take(c, "Datum_ddv", false);
    date(c, datumDdv, false);
    date(c, take(c, "Datum_zapadlosti", true), true);
    std::string partnerCode;
    if (const Node* partner = take(c, "Partner", true)) {
        Cursor p{*partner, "Partner"};
        if (const Node* sifra = take(p, "Sifra", true)) {
            partnerCode = std::string(trimLeft(sifra->text));
            number(p, sifra, partnerCode, UINT32_MAX);
        }
        for (const char* name : {"Naziv1", "Naslov", "Postna_stevilka", "Kraj", "Drzava"}) take(p, name, true);
        oneOf(p, take(p, "DDV_status", true), {"Davcni_zavezanec", "Nedavcni_zavezanec"});
        take(p, "Identifikacijska_stevilka", true);
        const Node* davcna = take(p, "Davcna_stevilka", false);
        if (trg && (davcna != nullptr) != (trg->text == "Domac")) {
            fault("Partner/Davcna_stevilka", davcna ? davcna->text : "",
                  davcna ? "present for a customer outside the country" : "missing for a domestic customer");
        }
        take(p, "Maticna_stevilka", false);
        finish(p);
    }
    constant(c, take(c, "Sifra_valute", true), "978");
    const Node* znesekNode = take(c, "Znesek_dokumenta", true);
    const std::optional<Decimal> znesek = amount(c, znesekNode);
    if (znesek && kind) {
        if (znesek->isZero()) fault("Znesek_dokumenta", znesekNode->text, "a document of total 0 is never written");
        const bool creditNote = kind->text == "Izdani_dobropis";
        if (!znesek->isZero() && creditNote != znesek->isNegative()) {
            fault("Dokument", kind->text,
                  creditNote ? "a credit note with a positive total" : "an invoice with a negative total");
        }
    }

    // The posting lines.
    std::vector<RecapLine> lines;
    Decimal debit = Decimal::fromUnits(0, 2);
    Decimal credit = Decimal::fromUnits(0, 2);
    Decimal reverseCharge = Decimal::fromUnits(0, 2);
    bool sumsOk = true;
    int lastOrder = -1;
    std::optional<Decimal> generalBase, reducedBase, reducedVatBase;
    bool hasReverseCharge = false;
    std::size_t lineNumber = 0;
    while (c.at < dokument.children.size() && dokument.children[c.at].name == "Knjizba") {
        const Node& knjizba = dokument.children[c.at++];
        ++lineNumber;
        Cursor k{knjizba, "Knjizba[" + std::to_string(lineNumber) + "]"};
        const Node* vrsta = take(k, "Vrsta_knjizbe", true);
        const std::string kindText = vrsta ? vrsta->text : std::string();
        const auto order = lineKindOrder(kindText);
        if (vrsta && !order) fault(pathOf(k, *vrsta), vrsta->text, "not a kind of posting line");
        const bool customerLine = lineNumber == 1;
        if (order) {
            if (customerLine != (*order == 0)) {
                fault(pathOf(k, *vrsta), vrsta->text,
                      customerLine ? "the first line must be the customer's (Znesek_z_ddv)"
                                   : "only the first line is the customer's");
            } else if (!customerLine && *order <= lastOrder) {
                fault(pathOf(k, *vrsta), vrsta->text, "out of the posting lines' order, or repeated");
            }
            lastOrder = std::max(lastOrder, *order);
            if (trg && kindText == "Oproscen_promet_storitev_EU" && trg->text != "EU") {
                fault(pathOf(k, *vrsta), vrsta->text, "only for a customer in the EU (Trg " + trg->text + ")");
            }
            if (trg && kindText == "Neobdavcen_promet_s_pravico_do_odbitka" && trg->text != "Tretji_svet") {
                fault(pathOf(k, *vrsta), vrsta->text, "only for a customer in a third country (Trg " + trg->text + ")");
            }
        }
        const bool is76a = kindText == "Osnova_splosna_stop_76a_clen" || kindText == "Osnova_znizana_stop_76a_clen";
        const bool rounding = kindText == "Ne_gre_v_knjigo";
        hasReverseCharge = hasReverseCharge || is76a;
        RecapLine line{kindText, 0, customerLine, Decimal::fromUnits(0, 2), Decimal::fromUnits(0, 2)};
        std::optional<Decimal> value, base;
        if (customerLine) {
            const Node* opisLine = take(k, "Opis_dokumenta", true);
            if (opis && opisLine && opisLine->text != opis->text) {
                fault(pathOf(k, *opisLine), opisLine->text, "differs from the document's Opis_dokumenta");
            }
            constant(k, take(k, "Vrsta_dokumenta", true), "IR");
        } else {
            constant(k, take(k, "Drzava_potrosnje", true), "SVN");
            if (kindText == "Osnova_splosna_stop_76a_clen") take(k, "Drzava_potrosnje", true);
            const Node* opisLine = take(k, "Opis_dokumenta", is76a);
            if (opisLine) {
                if (is76a) {
                    constant(k, opisLine, cp1250("Račun 76.a člen"));
                } else {
                    fault(pathOf(k, *opisLine), opisLine->text, "only the 76.a lines carry it");
                }
            }
        }
        if (const Node* konto = take(k, "Konto", true)) {
            if (auto account = number(k, konto, konto->text, UINT32_MAX); account && *account >= 0) {
                line.account = static_cast<uint32_t>(*account);
            } else {
                sumsOk = false;
            }
        }
        if (const Node* partner = take(k, "Partner", !rounding)) {
            if (rounding) fault(pathOf(k, *partner), "", "the rounding line has no Partner");
            Cursor p{*partner, pathOf(k, *partner)};
            if (const Node* sifra = take(p, "Sifra", true);
                sifra && std::string(trimLeft(sifra->text)) != partnerCode) {
                fault(pathOf(p, *sifra), sifra->text, "differs from the document's customer");
            }
            finish(p);
        }
        const Node* amountNode = take(k, customerLine ? "Debet" : "Kredit", true);
        value = amount(k, amountNode);
        const Node* osnova = take(k, "Osnova", true);
        if (customerLine || rounding) {
            constant(k, osnova, "0");
        } else {
            base = amount(k, osnova);
        }
        constant(k, take(k, "Sifra_valute", true), "978");
        const Node* valuta = take(k, customerLine ? "Valuta_debet" : "Valuta_kredit", true);
        const auto valutaAmount = amount(k, valuta);
        if (value && valutaAmount && *value != *valutaAmount) {
            fault(pathOf(k, *valuta), valuta->text, "differs from " + amountNode->name + " " + value->toString());
        }
        take(k, "Drzava", true);
        finish(k);

        if (!value) {
            sumsOk = false;
            continue;
        }
        line.amount = *value;
        if (base) line.base = *base;
        if (customerLine && znesek && *value != *znesek) {
            fault(pathOf(k, *amountNode), amountNode->text, "differs from Znesek_dokumenta " + znesek->toString());
        }
        const bool ownBase = kindText.rfind("Osnova_", 0) == 0 || kindText == "Oproscen_promet_storitev_EU" ||
                             kindText == "Neobdavcen_promet_s_pravico_do_odbitka";
        if (ownBase && base && *base != *value) {
            fault(pathOf(k, *osnova), osnova->text, "differs from the line's Kredit " + value->toString());
        }
        if (is76a && znesek && *value != *znesek) {
            fault(pathOf(k, *amountNode), amountNode->text,
                  "a 76.a line carries the whole Znesek_dokumenta " + znesek->toString());
        }
        if (kindText == "Osnova_splosna_stopnja" || kindText == "Oproscen_promet_storitev_EU" ||
            kindText == "Neobdavcen_promet_s_pravico_do_odbitka") {
            generalBase = *value;
        }
        if (kindText == "Osnova_znizana_stopnja") reducedBase = *value;
        if (kindText == "DDV_splosna_stopnja" && base && generalBase && *base != *generalBase) {
            fault(pathOf(k, *osnova), osnova->text, "differs from the general-rate base " + generalBase->toString());
        }
        if (kindText == "DDV_znizana_stopnja" && base) {
            if (reducedBase && *base != *reducedBase) {
                fault(pathOf(k, *osnova), osnova->text,
                      "differs from the reduced-rate base " + reducedBase->toString());
            }
            reducedVatBase = *base;
        }
        auto sum = (customerLine ? debit : credit).plus(*value);
        if (!sum) {
            fault(pathOf(k, *amountNode), amountNode->text, "the document's total overflows");
            sumsOk = false;
            continue;
        }
        (customerLine ? debit : credit) = *sum;
        if (is76a) {
            if (auto r = reverseCharge.plus(*value)) reverseCharge = *r;
        }
        lines.push_back(std::move(line));
    }
    if (lineNumber == 0) take(c, "Knjizba", true);
    finish(c);

    if (opis && hasReverseCharge && opis->text != cp1250("Račun 76.a člen")) {
        fault("Opis_dokumenta", opis->text, "a document with 76.a lines is described as 'Račun 76.a člen'");
    }
    if (hasReverseCharge == (datumDdv != nullptr)) {
        fault("Datum_ddv", datumDdv ? datumDdv->text : "",
              hasReverseCharge ? "present in a document with 76.a lines" : "missing (the document has no 76.a line)");
    }

    if (trg && kind) {
        const Market market = trg->text == "EU"            ? Market::Eu
                              : trg->text == "Tretji_svet" ? Market::ThirdCountry
                                                           : Market::Domestic;
        if (auto added = result_.recap.addDocument(kind->text == "Izdani_dobropis", market, lines); !added) {
            fault("", "", added.error().message);
        }
    }
    if (!sumsOk || debit == credit) return;

    // The imbalances the posting rules make: each 76.a line posts the whole total once more; a reduced-rate
    // base stored without its rate is subtracted in the rounding difference but posted on no line (its VAT
    // line still names it as its base).
    std::vector<std::string> why;
    Decimal expected = debit;
    if (hasReverseCharge) {
        if (auto e = expected.plus(reverseCharge)) expected = *e;
        why.push_back("each 76.a line posts the whole total once more");
    }
    if (expected != credit && !reducedBase && reducedVatBase) {
        if (auto e = expected.minus(*reducedVatBase); e && *e == credit) {
            expected = *e;
            why.push_back("the reduced-rate base " + reducedVatBase->toString() +
                          " is stored without its rate, so no line posts it");
        }
    }
    if (expected == credit) {
        std::string text;
        for (const auto& reason : why) text += (text.empty() ? "" : "; ") + reason;
        result_.ruleImbalances.push_back({where_, debit, credit, text});
        return;
    }
    auto off = debit.minus(credit);
    fault("Knjizba", "",
          "debit " + debit.toString() + " and credit " + credit.toString() + " differ by " +
              (off ? off->toString() : std::string("?")) + ", which no posting rule explains");
}

JournalCheck Checker::run() {
    auto declared = reader_.declaration();
    if (!declared) {
        readFailed(declared.error());
        return std::move(result_);
    }
    where_ = "header";
    if (declared->version != "1.0") fault("xml version", declared->version, "should be '1.0'");
    if (!equalNoCase(declared->encoding, "Windows-1250")) {
        fault("xml encoding", declared->encoding, "the journal is declared as Windows-1250");
    }
    // Text written as UTF-8 reads as Windows-1250 too, but garbled (Č as Ä), so it is told apart here.
    if (!isAscii(bytes_) && isValidUtf8(bytes_)) {
        fault("", "", "the text is encoded as UTF-8, not as Windows-1250");
    }
    where_ = "journal";
    auto root = reader_.next();
    while (root && root->kind == XmlEvent::Kind::Text && isBlank(root->text)) root = reader_.next();
    if (!root) {
        readFailed(root.error());
        return std::move(result_);
    }
    if (root->kind != XmlEvent::Kind::Open || root->name != "Prenos") {
        fault("Prenos", root->name, "the root element must be <Prenos>");
        return std::move(result_);
    }
    int section = 0;  // 0 Glava, 1 Identifikacija, 2 Telo, 3 done
    std::size_t documents = 0;
    for (;;) {
        auto event = reader_.next();
        if (!event) {
            readFailed(event.error());
            return std::move(result_);
        }
        if (event->kind == XmlEvent::Kind::Text) {
            if (!isBlank(event->text)) fault("Prenos", event->text, "text beside the elements of <Prenos>");
            continue;
        }
        if (event->kind == XmlEvent::Kind::Close) break;  // </Prenos>
        if (event->kind == XmlEvent::Kind::End) break;
        const std::string name = event->name;
        const char* expected[] = {"Glava", "Identifikacija", "Telo"};
        if (section < 3 && name != expected[section]) {
            where_ = "header";
            fault(expected[section], "", "missing (<" + name + "> stands there)");
            while (section < 3 && name != expected[section]) ++section;
            if (section == 3) {
                fault(name, "", "not expected here");
                return std::move(result_);
            }
        } else if (section == 3) {
            where_ = "journal";
            fault(name, "", "not expected after <Telo>");
            return std::move(result_);
        }
        if (name != "Telo") {
            where_ = "header";
            Node node;
            std::size_t budget = kMaxNodes;
            if (!readElement(*event, node, budget)) return std::move(result_);
            if (name == "Glava") checkHeader(node);
            if (name == "Identifikacija") checkIdentification(node);
            ++section;
            continue;
        }
        section = 3;
        // The body: one document at a time, so a large journal costs one document's memory.
        where_ = "journal";
        for (;;) {
            auto inner = reader_.next();
            if (!inner) {
                readFailed(inner.error());
                return std::move(result_);
            }
            if (inner->kind == XmlEvent::Kind::Text) {
                if (!isBlank(inner->text)) fault("Telo", inner->text, "text beside the documents");
                continue;
            }
            if (inner->kind != XmlEvent::Kind::Open) break;  // </Telo>
            ++documents;
            where_ = "document " + std::to_string(documents);
            Node node;
            std::size_t budget = kMaxNodes;
            if (!readElement(*inner, node, budget)) return std::move(result_);
            if (node.name != "Dokument") {
                fault(node.name, "", "only <Dokument> elements stand in <Telo>");
                continue;
            }
            checkDocument(node, documents);
            where_ = "journal";
        }
    }
    if (section < 3) fault("Telo", "", "missing");
    auto end = reader_.next();
    while (end && end->kind != XmlEvent::Kind::End) end = reader_.next();
    if (!end) {
        readFailed(end.error());
        return std::move(result_);
    }
    result_.complete = true;
    return std::move(result_);
}

}  // namespace

JournalCheck checkJournal(std::string_view bytes) {
    Checker checker(bytes);
    return checker.run();
}

}  // namespace kirva::exporting
