#include "datagen/writers/OggWriter.h"

#include "datagen/writers/FileWriter.h"

#include <vorbis/vorbisenc.h>

#include <cstdlib>
#include <cstring>

namespace datagen {

namespace {

void Append(std::vector<uint8_t>& out, const ogg_page& page)
{
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

// Sets up `sync` to page through the whole of `bytes`.
void StartPaging(ogg_sync_state& sync, const std::vector<uint8_t>& bytes)
{
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, long(bytes.size()));
    std::memcpy(buffer, bytes.data(), bytes.size());
    ogg_sync_wrote(&sync, long(bytes.size()));
}

} // namespace

bool EncodeOggVorbis(const std::vector<float>& samples, int channels, long sampleRate, std::vector<uint8_t>& out,
                     float quality, int serial)
{
    out.clear();
    if (channels < 1 || sampleRate <= 0)
        return false;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, sampleRate, quality) != 0) {
        vorbis_info_clear(&info);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "ENCODER", "datagen");
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, serial);

    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0)
        Append(out, page);

    size_t frames = samples.size() / channels;
    const size_t chunk = 1024;
    size_t done = 0;
    bool ended = false;
    while (!ended) {
        size_t n = std::min(chunk, frames - done);
        if (n == 0) {
            vorbis_analysis_wrote(&dsp, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
            for (size_t i = 0; i < n; ++i)
                for (int c = 0; c < channels; ++c)
                    buffer[c][i] = samples[(done + i) * channels + c];
            vorbis_analysis_wrote(&dsp, static_cast<int>(n));
            done += n;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    Append(out, page);
                    if (ogg_page_eos(&page))
                        ended = true;
                }
            }
        }
        if (n == 0 && !ended) {
            while (ogg_stream_flush(&stream, &page) != 0)
                Append(out, page);
            ended = true;
        }
    }

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return true;
}

bool MakeSeekTrapOgg(const std::vector<uint8_t>& good, std::vector<uint8_t>& out)
{
    out.clear();
    ogg_sync_state sync;
    StartPaging(sync, good);
    ogg_stream_state in{};
    ogg_page page;
    ogg_packet packet{};
    int headerPages = 0, packets = 0;
    while (packets < 4 && ogg_sync_pageout(&sync, &page) == 1) {
        if (headerPages == 0)
            ogg_stream_init(&in, ogg_page_serialno(&page));
        if (ogg_page_granulepos(&page) == 0) {
            Append(out, page);
            ++headerPages;
        }
        ogg_stream_pagein(&in, &page);
        while (packets < 4 && ogg_stream_packetout(&in, &packet) == 1)
            ++packets;
    }
    const bool found = packets == 4;
    if (found) {
        out.resize(out.size() + 65536, 0);
        ogg_stream_state trap;
        ogg_stream_init(&trap, in.serialno);
        trap.pageno = headerPages;
        packet.b_o_s = 0;
        packet.granulepos = 0;
        ogg_stream_packetin(&trap, &packet);
        while (ogg_stream_flush(&trap, &page) != 0)
            Append(out, page);
        ogg_stream_clear(&trap);
    }
    if (headerPages > 0)
        ogg_stream_clear(&in);
    ogg_sync_clear(&sync);
    if (!found)
        out.clear();
    return found;
}

bool DamageMiddleAudioPage(const std::vector<uint8_t>& good, std::vector<uint8_t>& out)
{
    out.clear();
    ogg_sync_state sync;
    StartPaging(sync, good);
    std::vector<size_t> audioBodies;
    ogg_page page;
    while (ogg_sync_pageout(&sync, &page) == 1) {
        Append(out, page);
        if (ogg_page_granulepos(&page) > 0 && page.body_len > 0)
            audioBodies.push_back(out.size() - size_t(page.body_len) / 2);
    }
    ogg_sync_clear(&sync);
    // The first and last audio pages stay whole, so the gap has sound on both sides.
    if (audioBodies.size() < 3) {
        out.clear();
        return false;
    }
    out[audioBodies[audioBodies.size() / 2]] ^= 0xFF;
    return true;
}

bool WriteOggVorbis(const std::string& path, const std::vector<float>& samples, int channels, long sampleRate,
                    float quality)
{
    std::vector<uint8_t> bytes;
    return EncodeOggVorbis(samples, channels, sampleRate, bytes, quality) && WriteFileBytes(path, bytes);
}

} // namespace datagen
