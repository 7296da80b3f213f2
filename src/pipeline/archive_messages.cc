#include "pipeline/archive_messages.h"

#include <string>

#include "platform/message_sink.h"

namespace velmora {

namespace {

// A problem Extract met without stopping.
std::string ProblemText(const TrackArchive& archive, const Status& problem) {
  switch (problem.kind()) {
    case Status::Kind::kIOError:
      return "CreateDirectory Failed:- " + problem.message();
    case Status::Kind::kInvalidArgument:
      return "Skipped member \"" + problem.message() + "\" of " + archive.path().string() +
             ": its name would place it outside the extraction folder";
    default:
      return "Skipped member " + problem.message() + " of " + archive.path().string() +
             ": its data lies beyond the end of the archive";
  }
}

}  // namespace

void UnpackArchiveReported(TrackArchive& archive, const std::filesystem::path& path,
                           MessageSink& messages) {
  const Status opened = archive.Open(path);
  if (opened.IsCorruption()) {
    messages.Show("Track archive " + path.string() + " is cut short: " + opened.message());
  }
  // An unreadable archive is still unpacked: its empty folder is where the stages look.
  const Status extracted = archive.Unpack();
  for (const Status& problem : archive.problems()) messages.Show(ProblemText(archive, problem));
  if (extracted.IsNotFound()) {
    messages.Show("GetTempPath Failed ");
  } else if (extracted.IsIOError()) {
    messages.Show("CreateFile from .DAT :- " + extracted.message());
  }
  // Skipped members (Corruption) have been told about one by one above.
}

}  // namespace velmora
