/* The floor for Musepack decoding: libmpcdec's demuxer driven directly over its stdio reader,
 * decoding the whole file to 16-bit PCM (what any player must hand its sound device; the library
 * itself gives floats) and dropping it. Prints the sample frames decoded, for the runner to compare
 * with the player's own reader on the same file.
 * Usage: floor_mpc FILE */
#include <mpc/mpcdec.h>

#include <math.h>
#include <stdint.h>
#include <stdio.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    mpc_reader reader;
    if (mpc_reader_init_stdio(&reader, argv[1]) != MPC_STATUS_OK) {
        fprintf(stderr, "%s: cannot open %s\n", argv[0], argv[1]);
        return 1;
    }
    mpc_demux* demux = mpc_demux_init(&reader);
    if (!demux) {
        fprintf(stderr, "%s: not Musepack: %s\n", argv[0], argv[1]);
        mpc_reader_exit_stdio(&reader);
        return 1;
    }
    mpc_streaminfo info;
    mpc_demux_get_info(demux, &info);
    static MPC_SAMPLE_FORMAT samples[MPC_DECODER_BUFFER_LENGTH];
    static int16_t pcm[MPC_DECODER_BUFFER_LENGTH];
    long long frames = 0;
    for (;;) {
        mpc_frame_info frame;
        frame.buffer = samples;
        if (mpc_demux_decode(demux, &frame) != MPC_STATUS_OK || frame.bits == -1)
            break;
        unsigned count = frame.samples * info.channels;
        for (unsigned i = 0; i < count; ++i) {
            float v = samples[i] * 32768.0f;
            pcm[i] = (int16_t)(v >= 32767.0f ? 32767 : v <= -32768.0f ? -32768 : lrintf(v));
        }
        frames += frame.samples;
    }
    /* Keep the conversion from being optimised away. */
    volatile int16_t sink = pcm[0];
    (void)sink;
    mpc_demux_exit(demux);
    mpc_reader_exit_stdio(&reader);
    printf("frames=%lld\n", frames);
    return 0;
}
