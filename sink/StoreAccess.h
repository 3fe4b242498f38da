// What the sink needs of the store, and nothing more: the saved item as an
// open record, the e-mail address of a folder, and the item as a complete
// Internet message. The rule engine works only on this interface; the store
// adapter, the in-memory store and the failure-injecting wrapper implement it.
//
// Every operation may throw platform::PlatformError. A StoreAccess serves one
// event call on one thread and is not shared.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace quarvel::sink {

// The item as a complete Internet message (headers, blank line, body) in a
// stream of bytes. Position counts bytes from 0.
class MessageStream {
 public:
  virtual ~MessageStream() = default;
  // Everything from the current position to the end.
  virtual std::string ReadText() = 0;
  virtual void SetPosition(std::size_t position) = 0;
  // Writes at the current position, overwriting and extending the stream.
  virtual void WriteText(const std::string& text) = 0;
  // Creates the file with the stream's whole content; throws PlatformError
  // kErrFileExists when the name is taken. The file takes its name only once
  // complete, so a failure or a crash leaves nothing behind.
  virtual void SaveToFile(const std::string& path) = 0;
};

class StoreAccess {
 public:
  virtual ~StoreAccess() = default;

  // -- The item's record ----------------------------------------------------
  // A property's value as text; a missing property or empty value gives "".
  virtual std::string ReadProperty(const std::string& name) = 0;
  // Creates a custom string property (fixed length 256). Throws with
  // platform::kErrObjectAlreadyInCollection when a property of that name exists.
  virtual void AppendProperty(const std::string& name, const std::string& value) = 0;
  // Replaces a property's value.
  virtual void SetProperty(const std::string& name, const std::string& value) = 0;
  virtual void DeleteProperty(const std::string& name) = 0;
  // Writes all pending property changes to the item.
  virtual void UpdateFields() = 0;
  // URL of the folder that holds the item.
  virtual std::string ParentURL() = 0;
  virtual void Close() = 0;
  // Binds the record to the item at the URL, read-write; fails if it is missing.
  virtual void OpenReadWrite(const std::string& itemUrl) = 0;
  virtual void DeleteRecord() = 0;
  // Moves the item at sourceUrl to destinationUrl, replacing an item of that name.
  virtual void MoveRecord(const std::string& sourceUrl, const std::string& destinationUrl) = 0;

  // -- Other objects of the same store ----------------------------------------
  // The SMTP address of a mail-enabled folder; the folder must exist.
  virtual std::string FolderEmailAddress(const std::string& folderUrl) = 0;
  // The item at the URL as a message stream; nullptr when no message object
  // can be created at all.
  virtual std::unique_ptr<MessageStream> OpenMessageStream(const std::string& itemUrl) = 0;
};

}  // namespace quarvel::sink
