/* The floor for GSM WAV decoding: libgsm alone, in the tightest loop, decoding to nothing.
 * Usage: floor_gsm FILE.wav
 * Reads the whole file, finds the "data" chunk, decodes every 65-byte WAV49 block (two frames)
 * and prints the number of sample frames. */

#include "wav_file.h"

#include <gsm.h>
#include <stdint.h>
#include <stdio.h>

int main(int argc, char** argv)
{
    struct wav_file wav;
    uint8_t* data;
    unsigned long data_size, blocks, b;
    gsm state;
    int wav49 = 1;
    gsm_signal frame[160];

    int status = wav_read(argc, argv, &wav);
    if (status != 0)
        return status;
    data = wav.data;
    data_size = wav.data_size;
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
    free(wav.bytes);
    return 0;
}
