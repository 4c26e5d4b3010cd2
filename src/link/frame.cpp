#include "link/frame.h"

#include <stdexcept>

namespace kpr {

uint16_t frame_sum(std::span<const uint8_t> bytes, int from, int to) {
    uint16_t s = 0;
    for (int i = from; i <= to; ++i)
        s = static_cast<uint16_t>(s + bytes[static_cast<size_t>(i)]);
    return s;
}

Bytes make_frame(uint8_t target, uint8_t command, std::span<const uint8_t> params) {
    if (params.size() > 255)
        throw std::length_error("frame parameters exceed 255 bytes");
    Bytes f(FrameSignature.begin(), FrameSignature.end());
    f.push_back(target);
    f.push_back(command);
    f.push_back(static_cast<uint8_t>(params.size()));
    f.insert(f.end(), params.begin(), params.end());
    f.push_back(0);
    f.push_back(0);
    seal_frame(f);
    return f;
}

void seal_frame(std::span<uint8_t> frame) {
    const int t = static_cast<int>(frame.size());
    if (t < FrameOverhead)
        throw std::length_error("frame shorter than 15 bytes");
    const uint16_t s = frame_sum(frame, 10, t - 3);
    frame[static_cast<size_t>(t - 2)] = static_cast<uint8_t>(s >> 8);
    frame[static_cast<size_t>(t - 1)] = static_cast<uint8_t>(s & 0xFF);
}

bool frame_checksum_ok(std::span<const uint8_t> frame) {
    const int t = static_cast<int>(frame.size());
    if (t < FrameOverhead)
        return false;
    const uint16_t s = frame_sum(frame, 10, t - 3);
    return frame[static_cast<size_t>(t - 2)] == (s >> 8) &&
           frame[static_cast<size_t>(t - 1)] == (s & 0xFF);
}

namespace {

Bytes prefix(std::initializer_list<uint8_t> rest) {
    Bytes b;
    b.reserve(FrameSignature.size() + rest.size());
    b.assign(FrameSignature.begin(), FrameSignature.end());
    for (uint8_t r : rest)
        b.push_back(r);
    return b;
}

CommandTemplates build_templates() {
    CommandTemplates t;
    t.ReadBlockPrefix = prefix({TargetPager, CommandRead, 3});
    t.WriteBlockPrefix = prefix({TargetPager, CommandSet});
    t.WriteAck = prefix({TargetPager, CommandSet, 1, 0x06, 0x00, 0x8D});
    t.ProbeCommand = prefix({TargetBoard, CommandRead, 3, 0, 0, 0, 0x00, 0x8A});
    t.ProbeReplyPrefix = prefix({TargetBoard, CommandRead, 2});
    t.InitPrefix = prefix({TargetBoard, CommandSet, 2, ModeSet});
    t.InitAck = prefix({TargetBoard, CommandSet, 1, 0x06, 0x00, 0x8F});
    return t;
}

void check_address(int address) {
    if (address < 0 || address > 0xFFFF)
        throw std::out_of_range("pager address outside 16 bits");
}

} // namespace

const CommandTemplates& command_templates() {
    static const CommandTemplates t = build_templates();
    return t;
}

Bytes read_block_command(int address, int n) {
    check_address(address);
    if (n < 1 || n > 255)
        throw std::out_of_range("block read count outside 1..255");
    Bytes c = command_templates().ReadBlockPrefix;
    c.push_back(static_cast<uint8_t>(address >> 8));
    c.push_back(static_cast<uint8_t>(address & 0xFF));
    c.push_back(static_cast<uint8_t>(n));
    c.resize(18);
    seal_frame(c);
    return c;
}

Bytes write_block_command(int address, std::span<const uint8_t> data) {
    check_address(address);
    if (data.empty() || data.size() > 253)
        throw std::out_of_range("block write size outside 1..253");
    Bytes c = command_templates().WriteBlockPrefix;
    c.push_back(static_cast<uint8_t>(data.size() + 2));
    c.push_back(static_cast<uint8_t>(address >> 8));
    c.push_back(static_cast<uint8_t>(address & 0xFF));
    c.insert(c.end(), data.begin(), data.end());
    c.resize(c.size() + 2);
    seal_frame(c);
    return c;
}

Bytes init_command(int value, bool release) {
    Bytes c = command_templates().InitPrefix;
    c[13] = release ? ModeRelease : ModeSet;
    c.push_back(release ? 0 : static_cast<uint8_t>(value));
    c.resize(17);
    seal_frame(c);
    return c;
}

Bytes probe_reply(uint8_t p1, uint8_t p2) {
    const uint8_t p[] = {p1, p2};
    return make_frame(TargetBoard, CommandRead, p);
}

Bytes read_block_reply(std::span<const uint8_t> data) {
    return make_frame(TargetPager, CommandRead, data);
}

} // namespace kpr
