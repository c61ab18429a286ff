#include "transport/persist_protocol.h"

#include "support/failure.h"

namespace tavrix::persist {

namespace {

void AppendNumber(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

std::uint32_t ReadNumber(std::string_view bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
    }
    return value;
}

}  // namespace

std::string EncodeFrame(char type, std::string_view payload) {
    std::string frame(1, type);
    AppendNumber(frame, static_cast<std::uint32_t>(payload.size()));
    frame.append(payload);
    return frame;
}

std::optional<Frame> TakeFrame(std::string& buffer) {
    if (buffer.size() < 5) {
        return std::nullopt;
    }
    const std::uint32_t size = ReadNumber(std::string_view(buffer).substr(1, 4));
    if (size > kMaxFrame) {
        throw Failure("The holder's peer sent a frame that is too large");
    }
    if (buffer.size() < 5 + static_cast<std::size_t>(size)) {
        return std::nullopt;
    }
    Frame frame{buffer[0], buffer.substr(5, size)};
    buffer.erase(0, 5 + static_cast<std::size_t>(size));
    return frame;
}

PayloadWriter& PayloadWriter::Text(std::string_view text) {
    AppendNumber(bytes_, static_cast<std::uint32_t>(text.size()));
    bytes_.append(text);
    return *this;
}

PayloadWriter& PayloadWriter::Number(std::uint32_t value) {
    AppendNumber(bytes_, value);
    return *this;
}

std::uint32_t PayloadReader::Number() {
    if (rest_.size() < 4) {
        throw Failure("The holder's peer sent a short frame");
    }
    const std::uint32_t value = ReadNumber(rest_);
    rest_.remove_prefix(4);
    return value;
}

std::string PayloadReader::Text() {
    const std::uint32_t size = Number();
    if (rest_.size() < size) {
        throw Failure("The holder's peer sent a short frame");
    }
    std::string text(rest_.substr(0, size));
    rest_.remove_prefix(size);
    return text;
}

std::string EncodeRun(const RunRequest& request) {
    PayloadWriter writer;
    writer.Text(request.digest)
        .Text(request.command)
        .Number(request.timeLimitMs)
        .Number(request.persistSeconds);
    return EncodeFrame(kRun, writer.Bytes());
}

RunRequest DecodeRun(std::string_view payload) {
    PayloadReader reader(payload);
    RunRequest request;
    request.digest = reader.Text();
    request.command = reader.Text();
    request.timeLimitMs = reader.Number();
    request.persistSeconds = reader.Number();
    return request;
}

std::string EncodeStatus(const HolderStatus& status) {
    PayloadWriter writer;
    writer.Text(status.host)
        .Number(status.port)
        .Text(status.user)
        .Number(status.idleSeconds)
        .Number(status.pid)
        .Number(status.served);
    return EncodeFrame(kStatus, writer.Bytes());
}

HolderStatus DecodeStatus(std::string_view payload) {
    PayloadReader reader(payload);
    HolderStatus status;
    status.host = reader.Text();
    status.port = reader.Number();
    status.user = reader.Text();
    status.idleSeconds = reader.Number();
    status.pid = reader.Number();
    status.served = reader.Number();
    return status;
}

}  // namespace tavrix::persist
