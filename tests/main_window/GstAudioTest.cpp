#include "GstAudio.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

namespace
{

// An audio sink that never opens: its state stays as it is.
GstElement* IdleSink()
{
    GstElement* sink = gst_element_factory_make("pulsesink", nullptr);
    if (sink != nullptr) {
        gst_element_set_locked_state(sink, TRUE);
    }
    return sink;
}

gint64 BufferUs(GstElement* Sink)
{
    gint64 buffer = 0;
    g_object_get(Sink, "buffer-time", &buffer, nullptr);
    return buffer;
}

guint64 DeadlineNs(GstElement* Sink)
{
    guint64 deadline = 0;
    g_object_get(Sink, "processing-deadline", &deadline, nullptr);
    return deadline;
}

} // namespace

// A sound starts only once its output's latency has passed: the player that
// takes our decoder gets short output buffers, on the sinks it holds when
// the decoder starts and on those it gets after (Qt adds its output, a bin
// of its own, once the decoder's pad appears). Other pipelines keep theirs.
TEST(GstAudio, ThePlayerOfOurDecoderGetsShortOutputBuffersAndNoOtherPipeline)
{
    quelm::GstAudio::KeepPitch();
    GstElement* decoder = gst_element_factory_make("quelmrdrtempodec", nullptr);
    GstElement* early = IdleSink();
    GstElement* other = IdleSink();
    if (decoder == nullptr || early == nullptr) {
        GTEST_SKIP() << "no MP3 decoder or PulseAudio sink in this GStreamer";
    }
    const gint64 usual = BufferUs(other);
    GstElement* player = gst_pipeline_new(nullptr);
    gst_bin_add_many(GST_BIN(player), decoder, early, nullptr);
    GstElement* elsewhere = gst_pipeline_new(nullptr);
    gst_bin_add(GST_BIN(elsewhere), other);

    gst_element_set_state(player, GST_STATE_PAUSED);
    gst_element_set_state(elsewhere, GST_STATE_PAUSED);
    GstElement* output = gst_bin_new(nullptr);
    GstElement* late = IdleSink();
    gst_bin_add(GST_BIN(output), late);
    gst_bin_add(GST_BIN(player), output);

    for (GstElement* sink : {early, late}) {
        EXPECT_LE(BufferUs(sink), 60000);
        EXPECT_EQ(DeadlineNs(sink), 0U);
    }
    EXPECT_EQ(BufferUs(other), usual);
    EXPECT_GT(usual, 60000);
    EXPECT_GT(DeadlineNs(other), 0U);

    gst_element_set_state(player, GST_STATE_NULL);
    gst_element_set_state(elsewhere, GST_STATE_NULL);
    gst_object_unref(player);
    gst_object_unref(elsewhere);
}
