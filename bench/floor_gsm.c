/* The floor for GSM WAV decoding: libgsm alone, in the tightest loop, decoding to nothing.
 * Usage: floor_gsm FILE.wav
 * Reads the whole file, finds the "data" chunk, decodes every 65-byte WAV49 block (two frames)
 * and prints the number of sample frames. */

#include <gsm.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static unsigned long u32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | ((unsigned long)p[2] << 16) | ((unsigned long)p[3] << 24);
}

int main(int argc, char** argv)
{
    FILE* f;
    uint8_t* file;
    long size, pos;
    uint8_t* data = NULL;
    unsigned long data_size = 0, blocks, b;
    gsm state;
    int wav49 = 1;
    gsm_signal frame[160];

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
    file = malloc((size_t)size);
    if (!file || fread(file, 1, (size_t)size, f) != (size_t)size)
        return 1;
    fclose(f);
    for (pos = 12; pos + 8 <= size; pos += 8 + (long)((u32(file + pos + 4) + 1) & ~1UL)) {
        if (!memcmp(file + pos, "data", 4)) {
            data = file + pos + 8;
            data_size = u32(file + pos + 4);
            if (data_size > (unsigned long)(size - pos - 8))
                data_size = (unsigned long)(size - pos - 8);
            break;
        }
    }
    if (!data) {
        fprintf(stderr, "no data chunk\n");
        return 1;
    }
    state = gsm_create();
    if (!state)
        return 1;
    gsm_option(state, GSM_OPT_WAV49, &wav49);
    blocks = data_size / 65;
    for (b = 0; b < blocks; ++b) {
        gsm_decode(state, data + b * 65, frame);
        gsm_decode(state, data + b * 65 + 33, frame);
    }
    gsm_destroy(state);
    printf("%lu\n", blocks * 320);
    free(file);
    return 0;
}
