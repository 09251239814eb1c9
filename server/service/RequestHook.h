// Lets a development build take a request over before the services see it: wait, answer something
// else, lose the answer or cut the connection. plenko-server installs none.
#pragma once

#include "HttpMessage.h"

#include <QByteArray>
#include <optional>

struct Takeover
{
    // How the exchange ends.
    enum class End {
        Answer, // the answer is written
        DropAnswer, // the connection is reset before the first byte of the answer
        RawThenClose, // rawBytes are written as they are, then the connection is closed
    };

    // Waited before anything else happens.
    int delayMs = 0;
    // True: the services carry the request out; false: `response` stands in for their answer.
    bool dispatch = true;
    ApiResponse response;
    // Waited after the services' work, before the answer goes out.
    int answerDelayMs = 0;
    End end = End::Answer;
    QByteArray rawBytes;
};

class RequestHook
{
public:
    virtual ~RequestHook() = default;
    // Called on a network thread for every request; nothing: the request is served normally.
    virtual std::optional<Takeover> takeOver(const ApiRequest& request) = 0;
};
