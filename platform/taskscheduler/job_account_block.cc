#include "platform/taskscheduler/job_account_block.h"

#include <cstddef>
#include <cstring>

#include "platform/posix/wide_text.h"
#include "platform/taskscheduler/byte_stream.h"

namespace {

constexpr uint8_t kAccountTag[4] = {'J', 'W', 'A', 'C'};

}  // namespace

std::vector<BYTE> UserDataWithAccount(const std::wstring& account_name,
                                      const std::vector<BYTE>& user_data) {
  const std::u16string name = Utf16FromWide(account_name);
  ByteWriter data;
  data.Bytes(kAccountTag, sizeof(kAccountTag));
  data.Word(static_cast<WORD>(name.size()));
  for (char16_t unit : name)
    data.Word(static_cast<WORD>(unit));
  data.Bytes(user_data.data(), user_data.size());
  return data.Take();
}

void SplitAccountFromUserData(std::vector<BYTE>* user_data, std::wstring* account_name) {
  account_name->clear();
  ByteReader in(user_data->data(), user_data->size());
  BYTE tag[sizeof(kAccountTag)];
  WORD count = 0;
  if (!in.Bytes(sizeof(tag), tag) || std::memcmp(tag, kAccountTag, sizeof(tag)) != 0 ||
      !in.Word(&count) || !in.Has(size_t{count} * 2))
    return;
  std::u16string name;
  for (WORD i = 0; i < count; ++i) {
    WORD unit = 0;
    in.Word(&unit);
    name.push_back(static_cast<char16_t>(unit));
  }
  *account_name = WideFromUtf16(name);
  user_data->erase(user_data->begin(),
                   user_data->begin() + static_cast<std::ptrdiff_t>(in.position()));
}
