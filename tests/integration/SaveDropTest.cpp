// SPDX-License-Identifier: GPL-3.0-or-later
// "Salva su centralino" with the link dropped by the exchange on each request of the save in turn, from
// the access request to the poll that follows the last write.

#include "OnlineFixture.h"
#include "core/SaveCommand.h"

namespace {

const QString NOT_SAVED =
    QStringLiteral("Agenda non salvata sul centralino!\nLe voci preparate sono di nuovo nella lista.");
const QString NOT_COMPLETED = QStringLiteral("Salvataggio agenda su centralino non completato: connessione caduta!\nLe "
                                             "voci preparate sono di nuovo nella lista.");

// Three digits, short numbers 12 and 15 in the directory: overwriting deletes both, updating writes 15 back.
exsim::Tables ExchangeTables()
{
    exsim::Tables tables;
    tables[TBL_VERSION][0x0500] = "5\0"s;
    tables[TBL_DIGITS][0] = "3\0"s;
    tables[TBL_PREFIX][15] = "5\0"s;
    tables[TBL_ROUTING][0x0301] = "";
    tables[TBL_URBAN_LINE][0x4001] = "";
    tables[TBL_DIRECTORY][12] = exsim::DirectoryRecord(0x0301, "0612345678", "Bianchi Lucia");
    tables[TBL_DIRECTORY][15] = exsim::DirectoryRecord(0x7FFF, "0552345678", "Verdi Anna");
    return tables;
}

const std::vector<PreparedEntry> PREPARED = {
    {7, "Nuovo Ufficio", "0611", 0x4001},
    {12, "Rossi Mario", "0212345678", 0x7FFF},
    {20, "Magazzino", "0399", 0x0000},
};

bool IsWrite(const exsim::Request& request)
{
    return request.command == CMD_WRITE_RECORD || request.command == CMD_DELETE_RECORD;
}

// What the program shows when the link drops on this request of the save. A digits or prefix record that
// does not come is no error of its own; the directory read after it is.
QStringList ShownForDropOn(const exsim::Request& request)
{
    const QString directoryUnread = QStringLiteral("Errore in lettura agenda dal centralino!");
    const struct {
        uint16_t command;
        uint16_t table;
        QStringList shown;
    } reads[] = {
        {CMD_REQUEST_ACCESS, 0, {QStringLiteral("Opzione non abilitata sul sistema!"), NOT_SAVED}},
        {CMD_READ_RECORD, TBL_VERSION, {IncompatibleVersionText(0), NOT_SAVED}},
        {CMD_READ_RECORD, TBL_DIGITS, {directoryUnread, NOT_SAVED}},
        {CMD_READ_RECORD, TBL_PREFIX, {directoryUnread, NOT_SAVED}},
        {CMD_READ_TABLE, TBL_DIRECTORY, {directoryUnread, NOT_SAVED}},
        // The directory was read, so the save goes on and its first writes find the link gone.
        {CMD_READ_TABLE,
         TBL_ROUTING,
         {QStringLiteral("Errore in lettura instradamenti dal centralino!"), NOT_COMPLETED}},
        {CMD_READ_TABLE,
         TBL_URBAN_LINE,
         {QStringLiteral("Errore in lettura linee urbane dal centralino!"), NOT_COMPLETED}},
    };
    for (const auto& read : reads)
        if (read.command == request.command && (read.command == CMD_REQUEST_ACCESS || read.table == request.table))
            return read.shown;
    if (IsWrite(request))
        return {NOT_COMPLETED};
    ADD_FAILURE() << "the save sent an unexpected request " << exsim::DescribeRequest(request);
    return {};
}

class SaveDropTest : public OnlineFixture {
protected:
    SaveDropTest() : OnlineFixture(ExchangeTables()) {}

    // The exchange as it was, the list prepared off line, the link dropped on the Nth request if given.
    void StartRun(std::optional<unsigned> dropOn)
    {
        if (app.IsConnected())
            app.Disconnect();
        ASSERT_TRUE(sim.WaitForConnectionsClosed(sim.ConnectionsAccepted(), 5000));
        sim.SetTables(ExchangeTables());
        exsim::Faults faults;
        faults.closeAfterRequests = dropOn;
        sim.SetFaults(faults);
        sim.ClearReceived();
        Prepare(PREPARED, 3);
        shownBefore = fake.messages.Shown().size();
    }

    void Save(CSavePabx::Mode mode)
    {
        SaveToExchange(app, mode, [this] { return Connect(); });
    }

    // The requests of a save without a drop, once the exchange has taken them all; polls and the release
    // of the disconnect are not the save's.
    std::vector<exsim::Request> RequestsOfASave(CSavePabx::Mode mode)
    {
        StartRun(std::nullopt);
        Save(mode);
        EXPECT_TRUE(app.IsConnected());
        EXPECT_TRUE(Shown().isEmpty());
        app.Disconnect();
        EXPECT_TRUE(sim.WaitForConnectionsClosed(sim.ConnectionsAccepted(), 5000));
        std::vector<exsim::Request> requests;
        for (const exsim::Request& request : sim.Received())
            if (request.command != CMD_POLL && request.command != CMD_RELEASE)
                requests.push_back(request);
        return requests;
    }

    QStringList Shown() const { return fake.messages.Texts().mid(qsizetype(shownBefore)); }

    void DropOnEveryRequest(CSavePabx::Mode mode, const char* modeName)
    {
        const std::vector<exsim::Request> requests = RequestsOfASave(mode);
        ASSERT_TRUE(std::any_of(requests.begin(), requests.end(), IsWrite));
        // One more: the poll behind the last write, which alone tells that the writes all arrived.
        for (unsigned n = 1; n <= requests.size() + 1; ++n) {
            const bool onThePoll = n > requests.size();
            SCOPED_TRACE(
                std::string(modeName) + ", link dropped on request " + std::to_string(n) + ": " +
                (onThePoll ? std::string("the poll after the writes") : exsim::DescribeRequest(requests[n - 1])));
            ASSERT_NO_FATAL_FAILURE(StartRun(n));
            const auto prepared = Listed();

            Save(mode);

            EXPECT_FALSE(app.IsConnected());
            EXPECT_EQ(Shown(), onThePoll ? QStringList{NOT_COMPLETED} : ShownForDropOn(requests[n - 1]));
            EXPECT_EQ(Listed(), prepared);
        }
    }

    size_t shownBefore = 0;
};

TEST_F(SaveDropTest, OverwriteDroppedOnEachRequest)
{
    DropOnEveryRequest(CSavePabx::Overwrite, "overwrite");
}

TEST_F(SaveDropTest, UpdateDroppedOnEachRequest)
{
    DropOnEveryRequest(CSavePabx::Update, "update");
}

} // namespace
