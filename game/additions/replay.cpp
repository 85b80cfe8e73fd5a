// Reading, checking and writing replay files, and the picture hash they hold.
#include "game/additions/replay.h"

#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "game/additions/player_tracks.h"
#include "game/race.h"
#include "platform/file.h"

// The order of the recorded table, which files written before keep: player 1's right, left, up
// and down, player 2's, both turbo keys, Escape.
const std::uint8_t replay_race_keys[11] = {
    race_keys[0].right, race_keys[0].left,  race_keys[0].up, race_keys[0].down,
    race_keys[1].right, race_keys[1].left,  race_keys[1].up, race_keys[1].down,
    race_keys[0].turbo, race_keys[1].turbo, DIK_ESCAPE};

namespace {

constexpr char magic[4] = {'D', 'W', 'R', 'P'};
// Where the key table starts and how long a frame is, by version.
std::size_t header_size(int version) {
    return version == 1 ? 8 : 16;
}
std::size_t frame_size(int version) {
    return version == 1 ? 6 : 14;
}
constexpr std::size_t trailer_size = 16;
constexpr int max_keys = 16;
constexpr int track_count = 3;
constexpr int most_laps = 10;

std::uint64_t read_le(const std::uint8_t *at, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | at[i];
    return value;
}

void write_le(std::vector<std::uint8_t> &out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

bool refuse(std::string &error, const std::string &why) {
    error = why;
    return false;
}

bool race_key(std::uint8_t code) {
    for (std::uint8_t key : replay_race_keys)
        if (key == code)
            return true;
    return false;
}

std::uint64_t mix(std::uint64_t hash, std::uint64_t word) {
    hash ^= word * 0x9E3779B97F4A7C15ull;
    hash = (hash << 31 | hash >> 33) * 0xC2B2AE3D27D4EB4Full;
    return hash;
}

} // namespace

bool replay_parse(const std::uint8_t *data, std::size_t size, Replay &replay, std::string &error) {
    if (size < sizeof magic || std::memcmp(data, magic, sizeof magic) != 0)
        return refuse(error, "not a Dirtwhirl replay");
    if (size < 8)
        return refuse(error, "truncated: the header is cut short");
    const int version = static_cast<int>(read_le(data + 4, 2));
    if (version < replay_first_version || version > replay_version)
        return refuse(error, "replay version " + std::to_string(version) +
                                 "; this program plays versions " +
                                 std::to_string(replay_first_version) + " to " +
                                 std::to_string(replay_version));
    const std::size_t keys_at = header_size(version);
    const std::size_t frame_bytes_each = frame_size(version);
    if (size < keys_at)
        return refuse(error, "truncated: the header is cut short");
    const int track = data[6];
    const bool own_track = version >= 2 && track == replay_player_track;
    if (track >= track_count && !own_track)
        return refuse(error, "track " + std::to_string(track) + " does not exist");
    const int key_count = data[7];
    if (key_count < 1 || key_count > max_keys)
        return refuse(error, "a key table of " + std::to_string(key_count) + " keys");
    std::size_t frames_at = keys_at + key_count;
    std::uint64_t track_hash = 0;
    std::string track_name;
    if (own_track) {
        if (size < frames_at + 9 + trailer_size)
            return refuse(error, "truncated: shorter than its header and trailer");
        track_hash = read_le(data + frames_at, 8);
        const std::size_t name_length = data[frames_at + 8];
        if (size < frames_at + 9 + name_length + trailer_size)
            return refuse(error, "truncated: shorter than its header and trailer");
        track_name.assign(reinterpret_cast<const char *>(data + frames_at + 9), name_length);
        if (!track_name_valid(track_name))
            return refuse(error, "a track name of " + std::to_string(name_length) +
                                     " bytes that are not 1 to 64 letters, digits, '-', '_', "
                                     "'.' or spaces");
        frames_at += 9 + name_length;
    }
    if (size < frames_at + trailer_size)
        return refuse(error, "truncated: shorter than its header and trailer");
    for (int i = 0; i < key_count; ++i) {
        const std::uint8_t code = data[keys_at + i];
        if (!race_key(code))
            return refuse(error, "key code " + std::to_string(code) + " is not a race key");
        if (std::memchr(data + keys_at, code, i) != nullptr)
            return refuse(error, "key code " + std::to_string(code) + " is listed twice");
    }
    const std::uint8_t *trailer = data + size - trailer_size;
    const std::uint64_t count = read_le(trailer, 4);
    const std::size_t frame_bytes = size - frames_at - trailer_size;
    if (count == 0 || frame_bytes % frame_bytes_each != 0 ||
        count != frame_bytes / frame_bytes_each)
        return refuse(error, "truncated or damaged: the trailer counts " + std::to_string(count) +
                                 " frames, the file's length holds " +
                                 std::to_string(frame_bytes / frame_bytes_each) + " and " +
                                 std::to_string(frame_bytes % frame_bytes_each) + " bytes");
    const int laps1 = static_cast<int>(read_le(trailer + 4, 2));
    const int laps2 = static_cast<int>(read_le(trailer + 6, 2));
    if (laps1 > most_laps || laps2 > most_laps)
        return refuse(error, "lap counts " + std::to_string(laps1) + " and " +
                                 std::to_string(laps2) + " are more than a race has");
    const std::uint16_t table_bits = static_cast<std::uint16_t>((1u << key_count) - 1);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint16_t keys =
            static_cast<std::uint16_t>(read_le(data + frames_at + i * frame_bytes_each, 2));
        if ((keys & ~table_bits) != 0)
            return refuse(error, "frame " + std::to_string(i + 1) +
                                     " holds a key that is not in the key table");
    }

    replay.version = version;
    replay.track = track;
    replay.font_hash = version == 1 ? 0 : read_le(data + 8, 8);
    replay.key_table.assign(data + keys_at, data + keys_at + key_count);
    replay.track_hash = track_hash;
    replay.track_name = track_name;
    replay.frames.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t *frame = data + frames_at + i * frame_bytes_each;
        ReplayFrame &read = replay.frames[i];
        read.keys = static_cast<std::uint16_t>(read_le(frame, 2));
        if (version == 1) {
            read.hash = static_cast<std::uint32_t>(read_le(frame + 2, 4));
            read.state_hash = 0;
        } else {
            read.state_hash = read_le(frame + 2, 8);
            read.hash = static_cast<std::uint32_t>(read_le(frame + 10, 4));
        }
    }
    replay.player1_laps = laps1;
    replay.player2_laps = laps2;
    replay.last_hash = read_le(trailer + 8, 8);
    return true;
}

std::vector<std::uint8_t> replay_serialize(const Replay &replay) {
    std::vector<std::uint8_t> out(magic, magic + sizeof magic);
    const bool first = replay.version == 1;
    write_le(out, first ? 1 : replay_version, 2);
    write_le(out, static_cast<std::uint64_t>(replay.track), 1);
    write_le(out, replay.key_table.size(), 1);
    if (!first)
        write_le(out, replay.font_hash, 8);
    out.insert(out.end(), replay.key_table.begin(), replay.key_table.end());
    if (!first && replay.track == replay_player_track) {
        write_le(out, replay.track_hash, 8);
        write_le(out, replay.track_name.size(), 1);
        out.insert(out.end(), replay.track_name.begin(), replay.track_name.end());
    }
    for (const ReplayFrame &frame : replay.frames) {
        write_le(out, frame.keys, 2);
        if (!first)
            write_le(out, frame.state_hash, 8);
        write_le(out, frame.hash, 4);
    }
    write_le(out, replay.frames.size(), 4);
    write_le(out, static_cast<std::uint64_t>(replay.player1_laps), 2);
    write_le(out, static_cast<std::uint64_t>(replay.player2_laps), 2);
    write_le(out, replay.last_hash, 8);
    return out;
}

bool replay_load(const char *path, Replay &replay, std::string &error) {
    std::vector<std::uint8_t> bytes;
    const std::string why = read_file_checked(path, bytes, replay_max_file_size);
    if (!why.empty())
        return refuse(error, std::string(path) + ": " + why);
    if (!replay_parse(bytes.data(), bytes.size(), replay, error))
        return refuse(error, std::string(path) + ": " + error);
    return true;
}

bool replay_save(const char *path, const Replay &replay, std::string &error) {
    const std::vector<std::uint8_t> bytes = replay_serialize(replay);
    std::string temporary = std::string(path) + ".XXXXXX";
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0)
        return refuse(error, std::string(path) + ": cannot be written: " + std::strerror(errno));
    // The file gets the permissions any new file of the user gets, not mkstemp's private ones.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
    int why = 0;
    std::size_t written = 0;
    while (why == 0 && written < bytes.size()) {
        const ssize_t wrote = write(descriptor, bytes.data() + written, bytes.size() - written);
        if (wrote > 0)
            written += static_cast<std::size_t>(wrote);
        else if (wrote == 0 || errno != EINTR)
            why = wrote == 0 ? ENOSPC : errno;
    }
    // A full disk may show only at the flush or the close.
    if (why == 0 && fsync(descriptor) != 0)
        why = errno;
    if (close(descriptor) != 0 && why == 0)
        why = errno;
    if (why == 0 && std::rename(temporary.c_str(), path) != 0)
        why = errno;
    if (why != 0) {
        unlink(temporary.c_str());
        return refuse(error, std::string(path) + ": cannot be written: " + std::strerror(why));
    }
    return true;
}

bool replay_can_save(const char *path, std::string &error) {
    struct stat existing {};
    if (stat(path, &existing) == 0 && !S_ISREG(existing.st_mode))
        return refuse(error, std::string(path) + ": cannot be written: not a plain file");
    std::string temporary = std::string(path) + ".XXXXXX";
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0)
        return refuse(error, std::string(path) + ": cannot be written: " + std::strerror(errno));
    close(descriptor);
    unlink(temporary.c_str());
    return true;
}

std::uint64_t replay_frame_hash(const BYTE *pixels, int pitch, const PALETTEENTRY palette[256]) {
    std::uint64_t hash = 0x27D4EB2F165667C5ull;
    for (int y = 0; y < 480; ++y) {
        const BYTE *row = pixels + static_cast<std::ptrdiff_t>(y) * pitch;
        for (int x = 0; x < 640; x += 8) {
            std::uint64_t word;
            std::memcpy(&word, row + x, sizeof word);
            if constexpr (std::endian::native == std::endian::big)
                word = __builtin_bswap64(word);
            hash = mix(hash, word);
        }
    }
    for (int i = 0; i < 256; ++i)
        hash =
            mix(hash, static_cast<std::uint64_t>(palette[i].peRed) << 16 |
                          static_cast<std::uint64_t>(palette[i].peGreen) << 8 | palette[i].peBlue);
    hash ^= hash >> 29;
    hash *= 0xBF58476D1CE4E5B9ull;
    return hash ^ hash >> 32;
}
