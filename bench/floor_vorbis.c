/* The floor for Ogg Vorbis decoding: Tremor's vorbisfile interface driven directly, decoding the
 * whole file to nothing in 16-bit blocks. Prints the sample frames decoded, for the runner to
 * compare with the player's own reader on the same file.
 * Usage: floor_vorbis FILE */
#include <tremor/ivorbisfile.h>

#include <stdio.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    FILE* file = fopen(argv[1], "rb");
    if (!file) {
        fprintf(stderr, "%s: cannot open %s\n", argv[0], argv[1]);
        return 1;
    }
    OggVorbis_File stream;
    if (ov_open(file, &stream, NULL, 0) < 0) {
        fprintf(stderr, "%s: not Ogg Vorbis: %s\n", argv[0], argv[1]);
        fclose(file);
        return 1;
    }
    static char buffer[8192 * 2 * 2];
    long long frames = 0;
    int section = 0;
    for (;;) {
        vorbis_info* info = ov_info(&stream, -1);
        long got = ov_read(&stream, buffer, (int)sizeof buffer, &section);
        if (got <= 0)
            break;
        frames += got / (2 * info->channels);
    }
    /* ov_clear closes the file that ov_open took. */
    ov_clear(&stream);
    printf("frames=%lld\n", frames);
    return 0;
}
