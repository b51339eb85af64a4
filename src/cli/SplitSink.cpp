#include "SplitSink.h"

#include "Messages.h"
#include "TextOutput.h"
#include "segment_output/DefaultName.h"
#include "segment_output/SegmentSaver.h"

namespace quelm::cli
{

SplitSink::SplitSink(CheckedOutput& Out, std::string Folder) : m_out(Out), m_folder(std::move(Folder))
{
    if (!m_folder.empty() && m_folder.back() != '/') {
        m_folder += '/';
    }
}

void SplitSink::BeginFile(const std::string& RecordFile)
{
    m_recordFile = RecordFile;
}

void SplitSink::Take(const SegmentRow& Row)
{
    if (!HasEnd(Row)) {
        return; // no end: nothing to save
    }
    m_queue.push_back({*ParseOffsets(Row.tag), m_names.Claim(m_folder + DefaultSegmentName(m_recordFile, Row))});
    if (m_queue.size() >= kGroupSize) {
        SaveQueued();
    }
}

void SplitSink::SaveQueued()
{
    for (const Segment& segment : m_queue) {
        const std::string failure = Attempt([&] { SaveSegmentFile(m_recordFile, segment.offsets, segment.target); });
        if (failure.empty()) {
            m_out.Write(PrintableText(segment.target));
            m_out.Put('\n');
        } else {
            Complain(m_out, failure);
            m_allSaved = false;
        }
    }
    m_queue.clear();
}

} // namespace quelm::cli
