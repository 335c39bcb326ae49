/* A plain, straightforward Microsoft ADPCM decoder to measure ours against.
 * Usage: reference_adpcm FILE.wav
 * Reads the whole file, finds the "fmt " and "data" chunks, decodes every whole block of the data
 * into one PCM buffer and prints the number of sample frames. */

#include "wav_file.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const int coefficients[7][2]
    = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
static const int adaptation[16]
    = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};

static int s16(const uint8_t* p)
{
    return (int16_t)wav_u16(p);
}

static int16_t decode_nibble(int code, int* sample1, int* sample2, int* delta, int c1, int c2)
{
    int predicted = (*sample1 * c1 + *sample2 * c2) >> 8;
    int value = predicted + *delta * (code >= 8 ? code - 16 : code);
    if (value > 32767)
        value = 32767;
    if (value < -32768)
        value = -32768;
    *sample2 = *sample1;
    *sample1 = value;
    *delta = (adaptation[code] * *delta) >> 8;
    if (*delta < 16)
        *delta = 16;
    if (*delta > 2796202)
        *delta = 2796202;
    return (int16_t)value;
}

/* One block of block_align bytes into channels x samples interleaved samples; 0 on a bad header. */
static int decode_block(const uint8_t* in, int16_t* out, int channels, int samples)
{
    int sample1[2], sample2[2], delta[2], c1[2], c2[2];
    int ch, k;
    for (ch = 0; ch < channels; ++ch) {
        if (in[ch] >= 7)
            return 0;
        c1[ch] = coefficients[in[ch]][0];
        c2[ch] = coefficients[in[ch]][1];
        delta[ch] = s16(in + channels + 2 * ch);
        sample1[ch] = s16(in + 3 * channels + 2 * ch);
        sample2[ch] = s16(in + 5 * channels + 2 * ch);
        out[ch] = (int16_t)sample2[ch];
        out[channels + ch] = (int16_t)sample1[ch];
    }
    in += 7 * channels;
    out += 2 * channels;
    for (k = 0; k < (samples - 2) * channels; ++k) {
        int code = (k & 1) ? (in[k >> 1] & 0x0F) : (in[k >> 1] >> 4);
        ch = channels == 2 ? (k & 1) : 0;
        out[k] = decode_nibble(code, &sample1[ch], &sample2[ch], &delta[ch], c1[ch], c2[ch]);
    }
    return 1;
}

int main(int argc, char** argv)
{
    struct wav_file wav;
    const uint8_t *fmt, *data;
    unsigned long data_size;
    int channels, block_align, samples;
    long blocks, b;
    int16_t* pcm;

    int status = wav_read(argc, argv, &wav);
    if (status != 0)
        return status;
    fmt = wav.fmt;
    data = wav.data;
    data_size = wav.data_size;
    if (!fmt || !data || wav_u16(fmt) != 2) {
        fprintf(stderr, "not a Microsoft ADPCM WAV\n");
        return 1;
    }
    channels = (int)wav_u16(fmt + 2);
    block_align = (int)wav_u16(fmt + 12);
    if (channels < 1 || channels > 2 || block_align <= 7 * channels) {
        fprintf(stderr, "unsupported ADPCM layout\n");
        return 1;
    }
    samples = (block_align - 7 * channels) * 2 / channels + 2;
    blocks = (long)(data_size / (unsigned long)block_align);
    pcm = malloc((size_t)blocks * (size_t)samples * (size_t)channels * sizeof(int16_t) + 1);
    if (!pcm)
        return 1;
    for (b = 0; b < blocks; ++b) {
        int16_t* out = pcm + b * samples * channels;
        if (!decode_block(data + b * block_align, out, channels, samples))
            memset(out, 0, (size_t)samples * (size_t)channels * sizeof(int16_t));
    }
    printf("%ld\n", blocks * samples);
    free(pcm);
    free(wav.bytes);
    return 0;
}
