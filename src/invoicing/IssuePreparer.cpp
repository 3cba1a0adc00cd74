#include "invoicing/IssuePreparer.h"

#include "app/Clock.h"
#include "app/Failure.h"
#include "app/Gbk.h"
#include "app/Prompter.h"
#include "invoices/InvoiceList.h"
#include "invoicing/IssuingDatabase.h"
#include "invoicing/IssuingStatements.h"
#include "invoicing/RequestFileWriter.h"
#include "invoicing/Texts.h"
#include "store/LocalStore.h"
#include "store/Statements.h"

namespace corvina {

namespace {

// A select that finds the database closed and unopenable has already shown the connection
// message; nothing more is said here.
class AlreadyShown {};

Rows selectOrStop(IssuingDatabase& database, const IssuingRead& read)
{
    std::optional<Rows> rows = database.select(read);
    if (!rows)
        throw AlreadyShown();
    return std::move(*rows);
}

} // namespace

IssuePreparer::IssuePreparer(IssuingDatabase& database, LocalStore& store, RequestFileWriter& writer,
                             TIssuingData& data, Clock& clock, Prompter& prompter, QString kaippath)
    : m_database(database), m_store(store), m_writer(writer), m_data(data), m_clock(clock), m_prompter(prompter),
      m_kaippath(std::move(kaippath))
{
}

bool IssuePreparer::PrepareIssue(const InvoiceRow& row)
{
    try {
        m_clock.sleep(200);
        if (!m_data.companyRead() && !readCompany())
            return false;
        if (!readBook())
            return false;
        if (!m_writer.WriteRequestFile(m_kaippath + QStringLiteral("\\Config\\invoice.xml"), row, Rows()))
            return false;
        // The line items are read from the store as the record file is written, so a failing read
        // is a database error of this preparation like the others.
        const Rows items = m_store.select(Statements::requestLineItems(trimControl(row.text(ColOrderId))));
        return m_writer.WriteRequestFile(m_kaippath + QStringLiteral("\\Config\\invoicedata_6.xml"), row, items);
    } catch (const AlreadyShown&) {
        return false;
    } catch (const Failure& failure) {
        ShowMessageBox(m_prompter, BoxOwner::MainWindow, InvoicingTexts::ErrorPrefix + failure.message(),
                       MessageBoxKind::Info);
    } catch (const std::exception& error) {
        ShowMessageBox(m_prompter, BoxOwner::MainWindow, InvoicingTexts::ErrorPrefix + QString::fromUtf8(error.what()),
                       MessageBoxKind::Info);
    }
    return false;
}

bool IssuePreparer::readCompany()
{
    const Rows company = selectOrStop(m_database, IssuingStatements::companyRecord());
    if (company.isEmpty()) {
        // Without the seller's record an invoice must not go out.
        ShowMessageBox(m_prompter, BoxOwner::MainWindow, InvoicingTexts::ErrorPrefix + InvoicingTexts::NoCompanyRecord,
                       MessageBoxKind::Info);
        return false;
    }
    TIssuingData& d = m_data;
    const auto take = [&company](const char* column) { return company.value(0, QLatin1String(column)); };
    d.NSRSBM = take("NSRSBM");
    d.NSRMC = take("NSRMC");
    d.HYFLMC = take("HYFLMC");
    d.KPZLID = take("KPZLID");
    d.GSZCH = take("GSZCH");
    d.KHYH_ZH = take("KHYH_ZH");
    d.KHYH_EN = take("KHYH_EN");
    d.SWIFTCODE = take("SWIFTCODE");
    d.YHZH = take("YHZH");
    d.ZCDZ_ZH = take("ZCDZ_ZH");
    d.ZCDZ_EN = take("ZCDZ_EN");
    d.TEL = take("TEL");
    d.FAX = take("FAX");

    const Rows industry = selectOrStop(m_database, IssuingStatements::industryCode(d.HYFLMC));
    if (!industry.isEmpty())
        d.HYFLDM = industry.value(0, QStringLiteral("HYFLDM"));
    const Rows kind = selectOrStop(m_database, IssuingStatements::kindName(d.KPZLID));
    if (!kind.isEmpty())
        d.KPZLMC = kind.value(0, QStringLiteral("KPZLMC"));
    return true;
}

bool IssuePreparer::readBook()
{
    // A fresh connection every time, so the book state the invoicing program wrote since is seen.
    m_database.close();
    if (!m_database.open())
        return false;
    const Rows book = selectOrStop(m_database, IssuingStatements::enabledBook());
    if (book.isEmpty()) {
        ShowMessageBox(m_prompter, BoxOwner::MainWindow, InvoicingTexts::NoEnabledBook, MessageBoxKind::Info);
        return false;
    }
    m_data.DQKYH = book.value(0, QStringLiteral("DQKYH"));
    m_data.KPZLID = book.value(0, QStringLiteral("KPZLID"));
    m_data.FPDM = book.value(0, QStringLiteral("FPDM"));
    if (m_data.bookUsedUp()) {
        ShowMessageBox(m_prompter, BoxOwner::MainWindow, InvoicingTexts::BookUsedUp, MessageBoxKind::Info);
        return false;
    }
    return true;
}

} // namespace corvina
