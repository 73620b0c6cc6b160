#include "store/batch.h"

#include "app/modGlobal.h"
#include "errors/procedure.h"
#include "store/dataAccess.h"
#include "store/modData.h"

namespace modData {

using errors::Handling;
using errors::Procedure;
using store::Connection;

struct Batch::State {
    std::shared_ptr<Connection> connection;
    std::unique_ptr<store::Transaction> transaction;
    bool broken = false;
    bool done = false;
    QString fault; // why the batch broke
};

namespace {

std::weak_ptr<Batch::State>& activeBatchSlot() {
    static std::weak_ptr<Batch::State> slot;
    return slot;
}

std::shared_ptr<Batch::State> activeBatch() {
    auto state = activeBatchSlot().lock();
    if (state && (state->done || state->connection != modGlobal::cnDB))
        return {};
    return state;
}

void breakBatch(Batch::State& state, const QString& why) {
    state.broken = true;
    if (state.fault.isEmpty())
        state.fault = why;
    if (state.transaction) {
        try {
            state.transaction->rollback();
        } catch (...) {
            // The connection dropped the transaction already.
        }
    }
}

} // namespace

Batch::Batch(Batch&& other) noexcept : m_state(std::move(other.m_state)) {}

Batch::~Batch() {
    rollback();
}

QString Batch::fault() const {
    return m_state ? m_state->fault : QString();
}

bool Batch::failed() const {
    return !m_state || m_state->broken || !m_state->transaction;
}

void Batch::rollback() {
    if (!m_state || m_state->done)
        return;
    m_state->done = true;
    if (m_state->transaction) {
        try {
            m_state->transaction->rollback();
        } catch (...) {
        }
    }
}

bool Batch::commit() {
    // Silent like the writers: the caller tells the user, in its own words.
    Procedure p("[modData] Public Function commitBatch() As Boolean", Handling::LeaveSilently);
    bool result = false;
    p.step([&] {
        if (!m_state || m_state->done)
            errors::raise(errors::RuntimeError::InvalidCall);
        if (failed())
            throw errors::RuntimeError(
                store::kProviderError,
                QStringLiteral("Die Bewertungen wurden nicht gespeichert: ") + m_state->fault);
        try {
            m_state->transaction->commit();
        } catch (const errors::RuntimeError& e) {
            breakBatch(*m_state, e.description());
            throw;
        }
        m_state->done = true;
        result = true;
    });
    rollback();
    return result;
}

Batch beginBatch() {
    Procedure p("[modData] Public Function beginBatch() As Batch");
    auto state = std::make_shared<Batch::State>();
    state->connection = modGlobal::cnDB;
    p.step([&] {
        if (activeBatch())
            errors::raise(errors::RuntimeError::InvalidCall,
                          QStringLiteral("Es läuft bereits ein Speichervorgang"));
        store::openConnection();
        state->connection = modGlobal::cnDB;
        state->transaction = std::make_unique<store::Transaction>(*state->connection);
    });
    if (!state->transaction) {
        // Its saves must fail, not go to the file one by one.
        state->broken = true;
        state->fault = QStringLiteral("Speichervorgang nicht begonnen");
    }
    if (!activeBatch())
        activeBatchSlot() = state;
    return Batch(state);
}

} // namespace modData

namespace store {

void runWrite(Connection& c, Statement& s) {
    const auto batch = modData::activeBatch();
    if (batch && batch->broken)
        throw errors::RuntimeError(kProviderError, batch->fault);
    try {
        s.run();
    } catch (const DatabaseError& e) {
        if (batch && (e.isFault() || !c.inTransaction()))
            modData::breakBatch(*batch, e.description());
        throw;
    }
    if (batch && !c.inTransaction())
        modData::breakBatch(*batch, QStringLiteral("Transaktion abgebrochen"));
}

} // namespace store
