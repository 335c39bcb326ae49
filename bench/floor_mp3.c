/* floor_mp3 FILE: the floor for MP3 decoding on this machine. Decodes the whole file with libmad
 * in the tightest reasonable loop (the file in one buffer, decode, synthesise, convert to 16-bit
 * with plain rounding and clipping) and throws the samples away. Prints the number of frames
 * decoded. */

#include <mad.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static volatile int s_sink;

static unsigned char* read_all(const char* path, size_t* size)
{
    FILE* file = fopen(path, "rb");
    if (!file)
        return NULL;
    size_t capacity = 1 << 20, used = 0;
    unsigned char* data = malloc(capacity + MAD_BUFFER_GUARD);
    size_t n;
    while (data && (n = fread(data + used, 1, capacity - used, file)) > 0) {
        used += n;
        if (used == capacity) {
            capacity *= 2;
            unsigned char* bigger = realloc(data, capacity + MAD_BUFFER_GUARD);
            if (!bigger) {
                free(data);
                data = NULL;
                break;
            }
            data = bigger;
        }
    }
    fclose(file);
    if (data)
        memset(data + used, 0, MAD_BUFFER_GUARD); /* lets libmad decode the last frame */
    *size = used;
    return data;
}

static inline int to_16(mad_fixed_t sample)
{
    sample += 1L << (MAD_F_FRACBITS - 16);
    if (sample >= MAD_F_ONE)
        sample = MAD_F_ONE - 1;
    else if (sample < -MAD_F_ONE)
        sample = -MAD_F_ONE;
    return sample >> (MAD_F_FRACBITS + 1 - 16);
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: floor_mp3 FILE\n");
        return 2;
    }
    size_t size = 0;
    unsigned char* data = read_all(argv[1], &size);
    if (!data) {
        fprintf(stderr, "floor_mp3: cannot read %s\n", argv[1]);
        return 1;
    }
    struct mad_stream stream;
    struct mad_frame frame;
    struct mad_synth synth;
    mad_stream_init(&stream);
    mad_frame_init(&frame);
    mad_synth_init(&synth);
    mad_stream_buffer(&stream, data, size + MAD_BUFFER_GUARD);

    long frames = 0;
    int acc = 0;
    for (;;) {
        if (mad_frame_decode(&frame, &stream) != 0) {
            if (MAD_RECOVERABLE(stream.error))
                continue;
            break; /* MAD_ERROR_BUFLEN: the whole file is done */
        }
        mad_synth_frame(&synth, &frame);
        const struct mad_pcm* pcm = &synth.pcm;
        for (unsigned c = 0; c < pcm->channels; ++c) {
            for (unsigned i = 0; i < pcm->length; ++i)
                acc += to_16(pcm->samples[c][i]);
        }
        ++frames;
    }
    s_sink = acc;

    mad_synth_finish(&synth);
    mad_frame_finish(&frame);
    mad_stream_finish(&stream);
    free(data);
    printf("%ld\n", frames);
    return 0;
}
