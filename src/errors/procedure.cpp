#include "errors/procedure.h"

#include "errors/errPtnr.h"

#include <new>

namespace errors {

Procedure::Procedure(const char* signature, Handling handling, bool traced)
    : m_signature(signature), m_handling(handling) {
    if (traced)
        ErrPtnr::instance().enter(signature);
}

Procedure::Procedure(const char* signature, Handling handling)
    : Procedure(signature, handling, true) {}

Procedure Procedure::untraced(const char* signature, Handling handling) {
    return Procedure(signature, handling, false);
}

QString Procedure::name() const {
    return signatureName(QString::fromUtf8(m_signature));
}
QString Procedure::module() const {
    return signatureModule(QString::fromUtf8(m_signature));
}

RuntimeError asRuntimeError(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const RuntimeError& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return RuntimeError(RuntimeError::OutOfMemory);
    } catch (const std::exception& e) {
        return RuntimeError(RuntimeError::InvalidCall, QString::fromLocal8Bit(e.what()));
    }
}

Procedure::Outcome Procedure::failed(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const ProgramEnded&) {
        throw;
    } catch (...) {
    }
    switch (m_handling) {
    case Handling::SkipSilently:
        return Outcome::Next;
    case Handling::LeaveSilently:
        return Outcome::Leave;
    case Handling::PassOn: {
        RuntimeError e = asRuntimeError(error);
        if (m_passOnSource && !e.source().contains(QStringLiteral("::")))
            e.setSource(QString::fromUtf8(m_passOnSource) + e.source());
        throw e;
    }
    case Handling::Standard:
        break;
    }
    ErrPtnr& partner = ErrPtnr::instance();
    switch (partner.OnError(module(), name(), asRuntimeError(error), m_line)) {
    case Retry:
        return Outcome::Again;
    case NextStatement:
        return Outcome::Next;
    case EndProgram:
        partner.endProgram();
    default:
        return Outcome::Leave;
    }
}

QString signatureModule(const QString& signature) {
    if (!signature.startsWith(QLatin1Char('[')))
        return {};
    const qsizetype close = signature.indexOf(QLatin1Char(']'));
    return close < 0 ? QString() : signature.mid(1, close - 1);
}

QString signatureName(const QString& signature) {
    qsizetype end = signature.indexOf(QLatin1Char('('));
    if (end < 0)
        end = signature.size();
    while (end > 0 && signature.at(end - 1).isSpace())
        --end;
    qsizetype begin = end;
    while (begin > 0 && !signature.at(begin - 1).isSpace() && signature.at(begin - 1) != u']')
        --begin;
    return signature.mid(begin, end - begin);
}

} // namespace errors
