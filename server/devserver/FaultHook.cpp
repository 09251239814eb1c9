#include "FaultHook.h"

#include "FaultInjector.h"
#include "Router.h"

std::optional<Takeover> FaultHook::takeOver(const ApiRequest& request)
{
    if (request.path.startsWith(QLatin1String("/__admin/")))
        return std::nullopt;
    const std::optional<Fault> fault = m_faults.take(request.path);
    if (!fault)
        return std::nullopt;
    Takeover plan;
    switch (fault->kind) {
    case Fault::Kind::Delay:
        plan.delayMs = fault->delayMs;
        break;
    case Fault::Kind::Close:
        // Cut off mid-answer: a connection closed before any byte would be re-sent silently by
        // HTTP clients such as QNetworkAccessManager, so the fault would not reach the caller.
        plan.dispatch = false;
        plan.end = Takeover::End::RawThenClose;
        plan.rawBytes = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: "
                        "4096\r\n\r\n{\"items\": [";
        break;
    case Fault::Kind::DropAnswer:
        // Carried out and committed, then the connection goes before the first byte of the answer:
        // the client cannot tell this from a request that never arrived.
        plan.end = Takeover::End::DropAnswer;
        break;
    case Fault::Kind::DelayAnswer:
        plan.answerDelayMs = fault->delayMs;
        break;
    case Fault::Kind::Malformed:
        plan.dispatch = false;
        plan.response.status = fault->status;
        plan.response.contentType = fault->contentType;
        plan.response.body = fault->body.value_or(QByteArrayLiteral("{\"items\": [ {\"id\": "));
        break;
    case Fault::Kind::Status:
        plan.dispatch = false;
        if (fault->body) {
            plan.response.status = fault->status;
            plan.response.contentType = fault->contentType;
            plan.response.body = *fault->body;
        } else {
            // Without a scripted body the failure looks like one of the service's own.
            plan.response = Router::errorResponse(m_clock, fault->status, QStringLiteral("INJECTED_FAULT"),
                QStringLiteral("Injected failure."), request.path);
        }
        break;
    }
    return plan;
}
