#include "RequestIntake.h"
#include "Texts.h"

#include "StandinDatabase.h"
#include "app/AppendLog.h"
#include "app/Failure.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QXmlStreamReader>

#include <chrono>
#include <thread>
#include <vector>

namespace corvina::standin {

namespace {

// A refusal: the request is not recorded and the text says why.
struct Refusal {
    QString reason;
};

struct Node {
    QString name;
    QXmlStreamAttributes attributes;
    QString text;
    std::vector<Node> children;
};

const QString kControlName = QStringLiteral("invoice.xml");
const QString kRecordName = QStringLiteral("invoicedata_6.xml");

// The whole file through a conforming parser: any well-formedness error refuses the request.
Node parseStrict(const QString& folder, const QString& name)
{
    QFile file(StandinDatabase::configPath(folder, name));
    if (!file.open(QIODevice::ReadOnly))
        throw Refusal{StandinTexts::CannotRead.arg(name, file.errorString())};
    QXmlStreamReader reader(&file);
    Node root;
    bool haveRoot = false;
    std::vector<Node*> open;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            Node node{reader.name().toString(), reader.attributes(), {}, {}};
            if (open.empty()) {
                root = std::move(node);
                haveRoot = true;
                open.push_back(&root);
            } else {
                // Only the innermost open node's children grow, so the pointers on the stack stay valid.
                open.back()->children.push_back(std::move(node));
                open.push_back(&open.back()->children.back());
            }
        } else if (reader.isCharacters() && !open.empty()) {
            open.back()->text += reader.text();
        } else if (reader.isEndElement() && !open.empty()) {
            open.pop_back();
        }
    }
    if (reader.hasError()) {
        throw Refusal{StandinTexts::NotWellFormed.arg(name)
                          .arg(reader.lineNumber())
                          .arg(reader.columnNumber())
                          .arg(reader.errorString())};
    }
    if (!haveRoot)
        throw Refusal{StandinTexts::NoRoot.arg(name)};
    return root;
}

const Node& child(const Node& parent, const QString& name, const QString& file)
{
    for (const Node& node : parent.children) {
        if (node.name == name)
            return node;
    }
    throw Refusal{StandinTexts::MissingElement.arg(file, name, parent.name)};
}

QString attribute(const Node& node, const QString& name, const QString& file)
{
    if (!node.attributes.hasAttribute(name))
        throw Refusal{StandinTexts::MissingAttribute.arg(file, node.name, name)};
    return node.attributes.value(name).toString();
}

bool isDigits(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const QChar ch : text) {
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return false;
    }
    return true;
}

int positiveNumber(const QString& text, const QString& what)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!isDigits(text) || !ok)
        throw Refusal{StandinTexts::NotANumber.arg(what, text)};
    return value;
}

// The number after `current`, keeping its width; empty when the book has no number left.
QString nextNumber(const QString& current, const QString& last)
{
    if (!isDigits(current))
        throw Refusal{StandinTexts::CurrentNotANumber + current};
    QString next = current;
    int i = static_cast<int>(next.size()) - 1;
    for (; i >= 0; --i) {
        if (next[i] != QLatin1Char('9')) {
            next[i] = QChar(next[i].unicode() + 1);
            break;
        }
        next[i] = QLatin1Char('0');
    }
    if (i < 0)
        return QString(); // all nines: the width allows no further number
    if (isDigits(last) && last.size() == next.size() && next > last)
        return QString();
    return next;
}

struct Request {
    QString code;
    QString number;
    QString kind;
    QStringList header; // texts of StandinDatabase::recordHeaderElements()
    QString total;
    QString lineCount;
    std::vector<QStringList> rows; // XH, HPMC, SL, DJ, JE, BZ, JLDW
};

Request readRequest(const QString& folder)
{
    const Node control = parseStrict(folder, kControlName);
    if (control.name != QLatin1String("kpkz"))
        throw Refusal{StandinTexts::WrongRoot.arg(kControlName, QStringLiteral("kpkz"))};
    const Node& kp = child(control, QStringLiteral("kp"), kControlName);
    const Node& info = child(kp, QStringLiteral("invoice_info"), kControlName);

    Request request;
    request.kind = attribute(kp, QStringLiteral("zlid"), kControlName);
    request.code = child(info, QStringLiteral("fpdm"), kControlName).text;
    request.number = child(info, QStringLiteral("fphm"), kControlName).text;

    const Node record = parseStrict(folder, kRecordName);
    if (record.name != QLatin1String("SK_KPJL"))
        throw Refusal{StandinTexts::WrongRoot.arg(kRecordName, QStringLiteral("SK_KPJL"))};
    for (const QString& name : StandinDatabase::recordHeaderElements())
        request.header << child(record, name, kRecordName).text;
    const auto headerValue = [&request](const char* name) {
        return request.header.at(StandinDatabase::recordHeaderElements().indexOf(QLatin1String(name)));
    };
    if (headerValue("FPDM") != request.code || headerValue("FPHM") != request.number)
        throw Refusal{StandinTexts::CodeOrNumberDiffer};
    if (headerValue("KPZLID") != request.kind)
        throw Refusal{StandinTexts::KindsDiffer};

    const Node& lines = child(record, QStringLiteral("MX"), kRecordName);
    request.total = attribute(lines, QStringLiteral("HJJE"), kRecordName);
    request.lineCount = attribute(lines, QStringLiteral("RecNum"), kRecordName);
    const int lineCount = positiveNumber(request.lineCount, QStringLiteral("RecNum"));
    int previous = 0;
    for (const Node& row : lines.children) {
        if (row.name != QLatin1String("Row"))
            throw Refusal{StandinTexts::UnknownLineElement.arg(kRecordName, row.name)};
        QStringList values;
        for (const char* name : {"XH", "HPMC", "SL", "DJ", "JE", "BZ", "JLDW"})
            values << attribute(row, QLatin1String(name), kRecordName);
        const int position = positiveNumber(values[0], QStringLiteral("XH"));
        // Positions rise and may leave gaps (a line without a name), but never pass RecNum.
        if (position <= previous || position > lineCount)
            throw Refusal{StandinTexts::BadLineNumber.arg(values[0], request.lineCount)};
        previous = position;
        request.rows.push_back(values);
    }
    return request;
}

void log(const QString& folder, const QString& text, const Clock& clock)
{
    try {
        AppendLog(StandinDatabase::logPath(folder), text, clock);
    } catch (const Failure&) {
        // The outcome is shown to the user either way; a log that cannot be written changes nothing.
    }
}

// The enabled book, the first with ZTID = 3.
struct EnabledBook {
    QVariant id;
    QString code;
    QString current; // DQKYH
    QString last;    // ZZHM
    QString kind;
};

EnabledBook enabledBook(QSqlDatabase& db)
{
    QSqlQuery book(db);
    if (!book.exec(QStringLiteral("select ID, FPDM, DQKYH, ZZHM, KPZLID from FPB_TZ where ZTID=3 order by ID")))
        throw Refusal{StandinTexts::DatabaseError + book.lastError().text()};
    if (!book.next())
        throw Refusal{StandinTexts::NoEnabledBook};
    return {book.value(0), book.value(1).toString(), book.value(2).toString(), book.value(3).toString(),
            book.value(4).toString()};
}

// Moves the book on to the number after its current one, as issuing does.
void moveOn(StandinDatabase& database, const EnabledBook& book)
{
    if (book.current.size() <= 3)
        throw Refusal{StandinTexts::BookUsedUp};
    QString error;
    int changed = 0;
    if (!database.exec(QStringLiteral("update FPB_TZ set DQKYH=? where ID=? and DQKYH=?"),
                       {nextNumber(book.current, book.last), book.id, book.current}, error, &changed) ||
        changed != 1)
        throw Refusal{StandinTexts::BookNotUpdated + error};
}

// Runs `work` in one transaction of the folder's database; a Refusal rolls it back.
template <typename F> void inTransaction(const QString& folder, F&& work)
{
    StandinDatabase database(folder);
    QString error;
    if (!database.open(false, error))
        throw Refusal{error};
    QSqlDatabase& db = database.db();
    if (!db.transaction())
        throw Refusal{StandinTexts::DatabaseNotWritten};
    try {
        work(database);
        if (!db.commit())
            throw Refusal{StandinTexts::DatabaseNotCommitted};
    } catch (...) {
        db.rollback();
        throw;
    }
}

void record(const QString& folder, const Request& request, const QDateTime& now, bool advance)
{
    inTransaction(folder, [&](StandinDatabase& database) {
        const EnabledBook book = enabledBook(database.db());
        if (book.current.size() <= 3)
            throw Refusal{StandinTexts::BookUsedUp};
        if (request.code != book.code)
            throw Refusal{StandinTexts::CodeMismatch.arg(request.code, book.code)};
        if (request.number != book.current)
            throw Refusal{StandinTexts::NumberMismatch.arg(request.number, book.current)};
        if (request.kind != book.kind)
            throw Refusal{StandinTexts::KindMismatch.arg(request.kind, book.kind)};
        nextNumber(book.current, book.last); // a current number that is no number is refused here

        QString error;
        const QStringList& names = StandinDatabase::recordHeaderElements();
        QVariantList values;
        for (const QString& text : request.header)
            values << text;
        values << request.total << request.lineCount << now.toString(Qt::ISODate);
        QString placeholders = QStringLiteral("?");
        for (qsizetype i = 1; i < values.size(); ++i)
            placeholders += QStringLiteral(", ?");
        if (!database.exec(QStringLiteral("insert into issued (%1, HJJE, RecNum, recorded_at) values (%2)")
                               .arg(names.join(QStringLiteral(", ")), placeholders),
                           values, error)) {
            throw Refusal{StandinTexts::InvoiceNotRecorded.arg(request.code, request.number, error)};
        }
        for (const QStringList& row : request.rows) {
            if (!database.exec(QStringLiteral("insert into issued_rows (FPDM, FPHM, XH, HPMC, SL, DJ, JE, BZ, JLDW) "
                                              "values (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                               {request.code, request.number, row[0], row[1], row[2], row[3], row[4], row[5], row[6]},
                               error)) {
                throw Refusal{StandinTexts::LinesNotRecorded + error};
            }
        }
        if (advance)
            moveOn(database, book);
    });
}

// Takes one request in; `refuse` turns it away as the options ask, `advance` moves the book on.
IntakeOutcome takeIn(const QString& folder, const Clock& clock, bool refuse, bool advance)
{
    IntakeOutcome outcome;
    try {
        if (refuse)
            throw Refusal{StandinTexts::RefusedByOption};
        const Request request = readRequest(folder);
        record(folder, request, clock.now(), advance);
        outcome.recorded = true;
        outcome.code = request.code;
        outcome.number = request.number;
        outcome.message = StandinTexts::IssuedLog.arg(request.code, request.number);
        if (!advance)
            outcome.message += StandinTexts::NumberNotYetAdvanced;
    } catch (const Refusal& refusal) {
        outcome.message = StandinTexts::RefusedLog + refusal.reason;
    }
    log(folder, outcome.message, clock);
    return outcome;
}

} // namespace

IntakeOutcome takeInRequest(const QString& folder, const Clock& clock)
{
    return takeIn(folder, clock, false, true);
}

bool advanceEnabledBook(const QString& folder, QString& error, const QString& onlyFrom)
{
    try {
        inTransaction(folder, [&](StandinDatabase& database) {
            const EnabledBook book = enabledBook(database.db());
            // A book that has moved on meanwhile is left as it is.
            if (onlyFrom.isNull() || book.current == onlyFrom)
                moveOn(database, book);
        });
        return true;
    } catch (const Refusal& refusal) {
        error = refusal.reason;
        return false;
    }
}

// The book moves of the delayed intake, each on a thread of its own that sleeps out its delay.
class RequestIntake::Delayed {
public:
    ~Delayed()
    {
        for (std::thread& t : m_threads)
            t.join();
    }
    void add(const QString& folder, int delayMs, const QString& number, const Clock& clock)
    {
        m_threads.emplace_back([folder, delayMs, number, &clock] {
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            QString error;
            const bool moved = advanceEnabledBook(folder, error, number);
            log(folder,
                moved ? StandinTexts::NumberAdvanced.arg(number).arg(delayMs) : StandinTexts::NumberNotAdvanced + error,
                clock);
        });
    }

private:
    std::vector<std::thread> m_threads;
};

RequestIntake::RequestIntake(QString folder, const Clock& clock, IntakeOptions options)
    : m_folder(std::move(folder)), m_clock(clock), m_options(std::move(options)), m_delayed(std::make_unique<Delayed>())
{
}

RequestIntake::~RequestIntake() = default;

IntakeOutcome RequestIntake::takeIn()
{
    ++m_requests;
    const bool refuse = m_options.refuseRequests.contains(m_requests);
    const bool advanceNow = !m_options.holdNumber && m_options.advanceAfterMs < 0;
    IntakeOutcome outcome = corvina::standin::takeIn(m_folder, m_clock, refuse, advanceNow);
    if (outcome.recorded && !m_options.holdNumber && m_options.advanceAfterMs >= 0)
        m_delayed->add(m_folder, m_options.advanceAfterMs, outcome.number, m_clock);
    return outcome;
}

} // namespace corvina::standin
