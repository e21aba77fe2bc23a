// Writes the Ogg Vorbis and MP3 files the sound tests read: a sine tone of a given pitch, length,
// channel count and rate, encoded with the reference encoders. It is a program of its own because the
// Vorbis encoder and the integer decoder under test share their function names.
//
//   zorbel_sound_file_maker ogg|mp3 OUT FREQUENCY SECONDS CHANNELS RATE [CLAIMED_FRAMES]
//
// CLAIMED_FRAMES (Ogg only) makes the stream lie about its length in its last granule position.
#include <lame/lame.h>
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Tone {
    double frequency = 440;
    double seconds = 1;
    int channels = 1;
    int rate = 44100;
    long long claimedFrames = -1;

    long Frames() const { return static_cast<long>(seconds * rate); }
    float Sample(long frame) const {
        return static_cast<float>(0.5 * std::sin(2 * M_PI * frequency * double(frame) / rate));
    }
};

bool WritePages(ogg_stream_state& stream, FILE* out, bool flush) {
    ogg_page page;
    while (flush ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) {
        if (std::fwrite(page.header, 1, size_t(page.header_len), out) != size_t(page.header_len) ||
            std::fwrite(page.body, 1, size_t(page.body_len), out) != size_t(page.body_len))
            return false;
    }
    return true;
}

bool WriteOgg(const Tone& tone, FILE* out) {
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, tone.channels, tone.rate, 0.4f) != 0) return false;
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1234);
    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    bool ok = WritePages(stream, out, true);

    long frames = tone.Frames();
    for (long done = 0; ok;) {
        long piece = std::min(4096L, frames - done);
        if (piece > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, int(piece));
            for (long i = 0; i < piece; ++i)
                for (int c = 0; c < tone.channels; ++c)
                    buffer[c][i] = tone.Sample(done + i);
            vorbis_analysis_wrote(&dsp, int(piece));
            done += piece;
        } else {
            vorbis_analysis_wrote(&dsp, 0);
        }
        while (ok && vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                if (packet.e_o_s && tone.claimedFrames >= 0) packet.granulepos = tone.claimedFrames;
                ogg_stream_packetin(&stream, &packet);
                // A lying stream gets a page per packet, so that its lie is not also its first page.
                ok = WritePages(stream, out, packet.e_o_s || tone.claimedFrames >= 0);
            }
        }
        if (piece <= 0) break;
    }
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return ok;
}

bool WriteMp3(const Tone& tone, FILE* out) {
    lame_global_flags* lame = lame_init();
    if (!lame) return false;
    lame_set_in_samplerate(lame, tone.rate);
    lame_set_out_samplerate(lame, tone.rate);
    lame_set_num_channels(lame, tone.channels);
    lame_set_mode(lame, tone.channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame, 128);
    lame_set_quality(lame, 5);
    bool ok = lame_init_params(lame) >= 0;
    long frames = tone.Frames();
    std::vector<short> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
    for (long i = 0; i < frames; ++i)
        left[size_t(i)] = right[size_t(i)] = static_cast<short>(std::lround(tone.Sample(i) * 32767));
    std::vector<unsigned char> mp3(size_t(frames) * 5 / 4 + 7200 + 16384);
    int size =
        ok ? lame_encode_buffer(lame, left.data(), right.data(), int(frames), mp3.data(), int(mp3.size()))
           : -1;
    ok = size >= 0 && std::fwrite(mp3.data(), 1, size_t(size), out) == size_t(size);
    size = ok ? lame_encode_flush(lame, mp3.data(), int(mp3.size())) : -1;
    ok = size >= 0 && std::fwrite(mp3.data(), 1, size_t(size), out) == size_t(size);
    lame_close(lame);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 7) {
        std::fputs(
            "usage: zorbel_sound_file_maker ogg|mp3 OUT FREQUENCY SECONDS CHANNELS RATE [CLAIMED_FRAMES]\n",
            stderr);
        return 2;
    }
    std::string kind = argv[1];
    Tone tone;
    tone.frequency = std::atof(argv[3]);
    tone.seconds = std::atof(argv[4]);
    tone.channels = std::atoi(argv[5]);
    tone.rate = std::atoi(argv[6]);
    if (argc > 7) tone.claimedFrames = std::atoll(argv[7]);
    std::filesystem::path path = argv[2];
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    FILE* out = std::fopen(argv[2], "wb");
    if (!out) return 1;
    bool ok = kind == "ogg" ? WriteOgg(tone, out) : kind == "mp3" ? WriteMp3(tone, out) : false;
    ok = std::fclose(out) == 0 && ok;
    return ok ? 0 : 1;
}
