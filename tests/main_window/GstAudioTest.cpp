#include "GstAudio.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

namespace
{

// A PulseAudio sink whose state stays as it is: it never opens.
GstElement* IdleSink()
{
    GstElement* sink = gst_element_factory_make("pulsesink", nullptr);
    if (sink != nullptr) {
        gst_element_set_locked_state(sink, TRUE);
    }
    return sink;
}

} // namespace

// A sound starts only once its output's latency has passed: the player that
// takes our decoder gets short output buffers, on the sinks it holds when the
// decoder starts and on those added after (Qt adds its output bin once the
// decoder's pad appears). Other pipelines keep theirs.
TEST(GstAudio, ThePlayerOfOurDecoderGetsShortOutputBuffersAndNoOtherPipeline)
{
    quelm::GstAudio::KeepPitch();
    GstElement* decoder = gst_element_factory_make("quelmrdrtempodec", nullptr);
    GstElement* early = IdleSink();
    if (decoder == nullptr || early == nullptr) {
        GTEST_SKIP() << "no MP3 decoder or PulseAudio sink in this GStreamer";
    }
    GstElement* player = gst_pipeline_new(nullptr);
    GstElement* elsewhere = gst_pipeline_new(nullptr);
    GstElement* other = IdleSink();
    gst_bin_add_many(GST_BIN(player), decoder, early, nullptr);
    gst_bin_add(GST_BIN(elsewhere), other);
    gst_element_set_state(player, GST_STATE_PAUSED);
    gst_element_set_state(elsewhere, GST_STATE_PAUSED);
    GstElement* output = gst_bin_new(nullptr);
    GstElement* late = IdleSink();
    gst_bin_add(GST_BIN(output), late);
    gst_bin_add(GST_BIN(player), output);

    for (GstElement* sink : {early, late, other}) {
        gint64 bufferUs = 0;
        guint64 deadlineNs = 0;
        g_object_get(sink, "buffer-time", &bufferUs, "processing-deadline", &deadlineNs, nullptr);
        EXPECT_EQ(bufferUs <= 60000 && deadlineNs == 0, sink != other) << bufferUs << " us, " << deadlineNs << " ns";
    }
    gst_element_set_state(player, GST_STATE_NULL);
    gst_element_set_state(elsewhere, GST_STATE_NULL);
    gst_object_unref(player);
    gst_object_unref(elsewhere);
}
