// A turntable's video written in-process with FFmpeg's libraries: H.264 in MP4, VP9 in WebM,
// or a GIF with one palette for the loop. Written to an exclusive temporary file and renamed
// into place only when whole. No GL.
#pragma once

#include <string>

#include "core/export/gif_palette.h"
#include "core/image/ppm.h"
#include "core/turntable.h"

struct VideoParams {
    TurntableKind kind = TurntableKind::Mp4;  // Mp4, Webm or Gif
    int width = 500;  // pixels; even for Mp4
    int height = 500;
    double fps = kDefaultVideoFps;  // frames a second
    std::string comment;            // the container's comment: the arguments that draw frame 0
    bool replace = true;  // false: an existing file of the name is kept, and finishing fails
};

// The encoder, its muxer and the temporary file; opaque.
struct VideoFile;

struct VideoOpenResult {
    VideoFile* video = nullptr;  // null when the file could not be started
    std::string message;         // one line saying why, when video is null
};

// Starts `path`'s temporary file and the encoder.
VideoOpenResult openVideo(const std::string& path, const VideoParams& params);
// The palette a GIF's frames are mapped onto; set before the first frame (ignored for others).
void setVideoPalette(VideoFile* video, const GifPalette& palette);

// Encodes the next frame (`params`'s size, RGB, rows top first). Empty, or the message.
std::string writeVideoFrame(VideoFile* video, const PpmImage& frame);

// Drains the encoder, writes the container's end, syncs the file and renames it into place;
// frees `video` in every case. Empty, or the message, and then nothing is left on disk.
std::string finishVideo(VideoFile* video);

// Gives the video up: its temporary file is removed and `video` freed. Null is allowed.
void abandonVideo(VideoFile* video);

// Seconds spent inside the encoder and muxer so far (colour conversion and dithering
// included), for the benchmark's encoder share.
double videoEncodeSeconds(const VideoFile* video);

// The comment that a video (MP4, WebM, GIF) carries, read with the same libraries; `found`
// false and a few words why when there is none.
struct VideoCommentResult {
    bool found = false;
    std::string text;
    std::string message;
};
VideoCommentResult readVideoComment(const std::string& path);
