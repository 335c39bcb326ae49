/* A WAV file read whole by the floor programs, with its "fmt " and "data" chunks found. */

#pragma once

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

struct wav_file {
    uint8_t* bytes; /* the whole file, to be freed */
    const uint8_t* fmt; /* the fmt chunk's body, NULL without one before the data */
    uint8_t* data; /* the data chunk's body, NULL without one */
    unsigned long data_size; /* cut to what the file holds */
};

static inline unsigned wav_u16(const uint8_t* p)
{
    return p[0] | (p[1] << 8);
}

static inline unsigned long wav_u32(const uint8_t* p)
{
    return wav_u16(p) | ((unsigned long)wav_u16(p + 2) << 16);
}

/* Reads the file named by the only argument. Returns 0, or the exit status after saying why on
 * stderr: 2 for a wrong call, 1 for a file that cannot be read. */
static inline int wav_read(int argc, char** argv, struct wav_file* wav)
{
    FILE* f;
    long size, pos;

    memset(wav, 0, sizeof *wav);
    if (argc != 2) {
        fprintf(stderr, "usage: %s FILE.wav\n", argv[0]);
        return 2;
    }
    f = fopen(argv[1], "rb");
    if (!f || fseek(f, 0, SEEK_END) != 0 || (size = ftell(f)) < 12) {
        fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    rewind(f);
    wav->bytes = malloc((size_t)size);
    if (!wav->bytes || fread(wav->bytes, 1, (size_t)size, f) != (size_t)size)
        return 1;
    fclose(f);
    for (pos = 12; pos + 8 <= size; pos += 8 + (long)((wav_u32(wav->bytes + pos + 4) + 1) & ~1UL)) {
        if (!memcmp(wav->bytes + pos, "fmt ", 4))
            wav->fmt = wav->bytes + pos + 8;
        if (!memcmp(wav->bytes + pos, "data", 4)) {
            wav->data = wav->bytes + pos + 8;
            wav->data_size = wav_u32(wav->bytes + pos + 4);
            if (wav->data_size > (unsigned long)(size - pos - 8))
                wav->data_size = (unsigned long)(size - pos - 8);
            break;
        }
    }
    return 0;
}
