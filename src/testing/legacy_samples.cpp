#include "testing/legacy_samples.h"

namespace kestrane::testing {

const std::vector<LegacySample>& LegacySamples() {
  // Made with the code pages' own tables (Python's codecs, which follow Windows'); Vietnamese
  // as Windows-1258 writes it, with some accents as separate marks.
  static const std::vector<LegacySample> samples = {
      {"Arabic",
       CodePage::kWindows1256,
       {
           {"\xE1\xC7 \xC3\xDA\xD1\xDD \xE3\xC7 \xC7\xE1\xD0\xED \xCD\xCF\xCB \xDD\xED "
            "\xCA\xE1\xDF \xC7\xE1\xE1\xED\xE1\xC9.",
            "لا أعرف ما الذي حدث في تلك الليلة."},
           {"\xE5\xE1 \xED\xE3\xDF\xE4\xDF \xC3\xE4 \xCA\xD3\xC7\xDA\xCF\xE4\xED \xDD\xED "
            "\xCD\xE3\xE1 \xE5\xD0\xE5 \xC7\xE1\xCD\xDE\xC7\xC6\xC8\xBF",
            "هل يمكنك أن تساعدني في حمل هذه الحقائب؟"},
           {"\xD3\xE4\xE1\xCA\xDE\xED \xDB\xCF\xC7\xF0 \xDA\xE4\xCF \xC7\xE1\xE3\xCD\xD8\xC9 "
            "\xDD\xED \xC7\xE1\xD3\xC7\xDA\xC9 \xC7\xE1\xCB\xC7\xE3\xE4\xC9.",
            "سنلتقي غداً عند المحطة في الساعة الثامنة."},
           {"\xDF\xC7\xE4\xCA \xC3\xE3\xED \xCA\xDE\xE6\xE1 \xCF\xC7\xC6\xE3\xC7\xF0 \xC5\xE4 "
            "\xC7\xE1\xD5\xC8\xD1 \xE3\xDD\xCA\xC7\xCD \xC7\xE1\xDD\xD1\xCC.",
            "كانت أمي تقول دائماً إن الصبر مفتاح الفرج."},
       }},
      {"Persian",
       CodePage::kWindows1256,
       {
           {"\xE3\xE4 \xE4\xE3\xED\x9D\xCF\xC7\xE4\xE3 \x8D\xD1\xC7 \xC7\xE6 \xCF\xED\xD1\xE6\xD2 "
            "\xC8\xE5 \xCE\xC7\xE4\xE5 \xE4\xED\xC7\xE3\xCF.",
            "من نمي‌دانم چرا او ديروز به خانه نيامد."},
           {"\xE1\xD8\xDD\xC7\xF0 \xCF\xD1 \xD1\xC7 \x81\xD4\xCA \xD3\xD1\xCA \xC8\xC8\xE4\xCF.",
            "لطفاً در را پشت سرت ببند."},
           {"\xC7\xED\xE4 \x98\xCA\xC7\xC8 \xD1\xC7 \xC7\xD2 \x98\xCA\xC7\xC8\xCE\xC7\xE4\xE5 "
            "\x90\xD1\xDD\xCA\xE5\x9D\xC7\xE3.",
            "اين کتاب را از کتابخانه گرفته‌ام."},
       }},
      {"Chinese, simplified",
       CodePage::kGb18030,
       {
           {"\xCB\xFB\xC4\xDC\xCD\xBD\xCA\xD6\xD7\xA5\xD7\xA1\xD7\xD3\xB5\xAF\xA1\xA3",
            "他能徒手抓住子弹。"},
           {"\xCE\xD2\xC3\xC7\xC3\xF7\xCC\xEC\xD4\xE7\xC9\xCF\xB0\xCB\xB5\xE3\xD4\xDA\xBB\xF0\xB3"
            "\xB5\xD5\xBE\xBC\xFB\xC3\xE6\xA1\xA3",
            "我们明天早上八点在火车站见面。"},
           {"\xC4\xE3\xCE\xAA\xCA\xB2\xC3\xB4\xB2\xBB\xB8\xE6\xCB\xDF\xCE\xD2\xD5\xE6\xCF\xE0\xA3"
            "\xBF",
            "你为什么不告诉我真相？"},
           {"\xD5\xE2\xBC\xFE\xCA\xC2\xB8\xFA\xC4\xE3\xC3\xBB\xD3\xD0\xB9\xD8\xCF\xB5\xA3\xAC\xB1"
            "\xF0\xD4\xD9\xCE\xCA\xC1\xCB\xA1\xA3",
            "这件事跟你没有关系，别再问了。"},
       }},
      {"Chinese, traditional",
       CodePage::kBig5,
       {
           {"\xA5L\xAF\xE0\xAE{\xA4\xE2\xA7\xEC\xA6\xED\xA4l\xBCu\xA1"
            "C",
            "他能徒手抓住子彈。"},
           {"\xA7\xDA\xAD\xCC\xA9\xFA\xA4\xD1\xA6\xAD\xA4W\xA4K\xC2I\xA6"
            "b\xA4\xF5\xA8\xAE\xAF\xB8\xA8\xA3\xAD\xB1\xA1"
            "C",
            "我們明天早上八點在火車站見面。"},
           {"\xA7"
            "A\xAC\xB0\xA4\xB0\xBB\xF2\xA4\xA3\xA7i\xB6"
            "D\xA7\xDA\xAFu\xAC\xDB\xA1H",
            "你為什麼不告訴我真相？"},
           {"\xB3o\xA5\xF3\xA8\xC6\xB8\xF2\xA7"
            "A\xA8S\xA6\xB3\xC3\xF6\xABY\xA1"
            "A\xA7O\xA6"
            "A\xB0\xDD\xA4"
            "F\xA1"
            "C",
            "這件事跟你沒有關係，別再問了。"},
       }},
      {"Japanese",
       CodePage::kShiftJis,
       {
           {"\x8E\x84\x82\xCD\x8D\xF0\x93\xFA\x81"
            "A\x89w\x82\xC5\x8C\xC3\x82\xA2\x97"
            "F\x92"
            "B\x82\xC9\x89\xEF\x82\xA2\x82\xDC\x82\xB5\x82\xBD\x81"
            "B",
            "私は昨日、駅で古い友達に会いました。"},
           {"\x82\xB1\x82\xCC\x92\xAC\x82\xC9\x82\xCD\x94\xFC\x82\xB5\x82\xA2\x90\xEC\x82\xAA\x97"
            "\xAC\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81"
            "B",
            "この町には美しい川が流れています。"},
           {"\x82\xC7\x82\xA4\x82\xB5\x82\xC4\x82\xBB\x82\xF1\x82\xC8\x82\xB1\x82\xC6\x82\xF0\x8C"
            "\xBE\x82\xA4\x82\xCC\x81H",
            "どうしてそんなことを言うの？"},
           {"\x96\xBE\x93\xFA\x82\xCC\x92\xA9\x81"
            "A\x82\xE0\x82\xA4\x88\xEA\x93x\x93"
            "d\x98"
            "b\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81"
            "B",
            "明日の朝、もう一度電話してください。"},
       }},
      {"Japanese in EUC-JP",
       CodePage::kEucJp,
       {
           {"\xBB\xE4\xA4\xCF\xBA\xF2\xC6\xFC\xA1\xA2\xB1\xD8\xA4\xC7\xB8\xC5\xA4\xA4\xCD\xA7\xC3"
            "\xA3\xA4\xCB\xB2\xF1\xA4\xA4\xA4\xDE\xA4\xB7\xA4\xBF\xA1\xA3",
            "私は昨日、駅で古い友達に会いました。"},
           {"\xA4\xB3\xA4\xCE\xC4\xAE\xA4\xCB\xA4\xCF\xC8\xFE\xA4\xB7\xA4\xA4\xC0\xEE\xA4\xAC\xCE"
            "\xAE\xA4\xEC\xA4\xC6\xA4\xA4\xA4\xDE\xA4\xB9\xA1\xA3",
            "この町には美しい川が流れています。"},
           {"\xA4\xC9\xA4\xA6\xA4\xB7\xA4\xC6\xA4\xBD\xA4\xF3\xA4\xCA\xA4\xB3\xA4\xC8\xA4\xF2\xB8"
            "\xC0\xA4\xA6\xA4\xCE\xA1\xA9",
            "どうしてそんなことを言うの？"},
       }},
      {"Korean",
       CodePage::kEucKr,
       {
           {"\xBE\xEE\xC1\xA6 \xBF\xAA\xBF\xA1\xBC\xAD \xBF\xC0\xB7\xA3 \xC4\xA3\xB1\xB8\xB8\xA6 "
            "\xB8\xB8\xB3\xB5\xBE\xEE\xBF\xE4.",
            "어제 역에서 오랜 친구를 만났어요."},
           {"\xB3\xBB\xC0\xCF \xBE\xC6\xC4\xA7\xBF\xA1 \xB4\xD9\xBD\xC3 \xC0\xFC\xC8\xAD\xC7\xD8 "
            "\xC1\xD6\xBC\xBC\xBF\xE4.",
            "내일 아침에 다시 전화해 주세요."},
           {"\xBF\xD6 \xB1\xD7\xB7\xB1 \xB8\xBB\xC0\xBB \xC7\xCF\xB4\xC2 \xB0\xC5\xBE\xDF?",
            "왜 그런 말을 하는 거야?"},
           {"\xC0\xCC \xB8\xB6\xC0\xBB\xBF\xA1\xB4\xC2 \xBE\xC6\xB8\xA7\xB4\xD9\xBF\xEE "
            "\xB0\xAD\xC0\xCC \xC8\xE5\xB8\xA8\xB4\xCF\xB4\xD9.",
            "이 마을에는 아름다운 강이 흐릅니다."},
       }},
      {"Russian",
       CodePage::kWindows1251,
       {
           {"\xDF \xED\xE5 \xE7\xED\xE0\xFE, \xF7\xF2\xEE \xF1\xEB\xF3\xF7\xE8\xEB\xEE\xF1\xFC "
            "\xF2\xEE\xE9 \xED\xEE\xF7\xFC\xFE.",
            "Я не знаю, что случилось той ночью."},
           {"\xD2\xFB \xEC\xEE\xE6\xE5\xF8\xFC \xEF\xEE\xEC\xEE\xF7\xFC \xEC\xED\xE5 "
            "\xE4\xEE\xED\xE5\xF1\xF2\xE8 \xFD\xF2\xE8 \xF1\xF3\xEC\xEA\xE8?",
            "Ты можешь помочь мне донести эти сумки?"},
           {"\xC2\xF1\xF2\xF0\xE5\xF2\xE8\xEC\xF1\xFF \xE7\xE0\xE2\xF2\xF0\xE0 \xED\xE0 "
            "\xE2\xEE\xEA\xE7\xE0\xEB\xE5 \xE2 \xE2\xEE\xF1\xE5\xEC\xFC \xF7\xE0\xF1\xEE\xE2.",
            "Встретимся завтра на вокзале в восемь часов."},
           {"\xCC\xE0\xEC\xE0 \xE2\xF1\xE5\xE3\xE4\xE0 \xE3\xEE\xE2\xEE\xF0\xE8\xEB\xE0, "
            "\xF7\xF2\xEE \xF2\xE5\xF0\xEF\xE5\xED\xE8\xE5 \x97 \xEA\xEB\xFE\xF7 \xEA\xEE "
            "\xE2\xF1\xE5\xEC\xF3.",
            "Мама всегда говорила, что терпение — ключ ко всему."},
       }},
      {"Russian in KOI8-R",
       CodePage::kKoi8R,
       {
           {"\xF1 \xCE\xC5 \xDA\xCE\xC1\xC0, \xDE\xD4\xCF \xD3\xCC\xD5\xDE\xC9\xCC\xCF\xD3\xD8 "
            "\xD4\xCF\xCA \xCE\xCF\xDE\xD8\xC0.",
            "Я не знаю, что случилось той ночью."},
           {"\xF4\xD9 \xCD\xCF\xD6\xC5\xDB\xD8 \xD0\xCF\xCD\xCF\xDE\xD8 \xCD\xCE\xC5 "
            "\xC4\xCF\xCE\xC5\xD3\xD4\xC9 \xDC\xD4\xC9 \xD3\xD5\xCD\xCB\xC9?",
            "Ты можешь помочь мне донести эти сумки?"},
           {"\xF7\xD3\xD4\xD2\xC5\xD4\xC9\xCD\xD3\xD1 \xDA\xC1\xD7\xD4\xD2\xC1 \xCE\xC1 "
            "\xD7\xCF\xCB\xDA\xC1\xCC\xC5 \xD7 \xD7\xCF\xD3\xC5\xCD\xD8 \xDE\xC1\xD3\xCF\xD7.",
            "Встретимся завтра на вокзале в восемь часов."},
           {"\xED\xC1\xCD\xC1 \xD7\xD3\xC5\xC7\xC4\xC1 \xC7\xCF\xD7\xCF\xD2\xC9\xCC\xC1, "
            "\xDE\xD4\xCF \xD4\xC5\xD2\xD0\xC5\xCE\xC9\xC5 - \xCB\xCC\xC0\xDE \xCB\xCF "
            "\xD7\xD3\xC5\xCD\xD5.",
            "Мама всегда говорила, что терпение - ключ ко всему."},
       }},
      {"Ukrainian",
       CodePage::kWindows1251,
       {
           {"\xDF \xED\xE5 \xE7\xED\xE0\xFE, \xF9\xEE \xF1\xF2\xE0\xEB\xEE\xF1\xFF "
            "\xF2\xB3\xBA\xBF \xED\xEE\xF7\xB3.",
            "Я не знаю, що сталося тієї ночі."},
           {"\xD7\xE8 \xEC\xEE\xE6\xE5\xF8 \xF2\xE8 \xE4\xEE\xEF\xEE\xEC\xEE\xE3\xF2\xE8 "
            "\xEC\xE5\xED\xB3 \xE7 \xF6\xE8\xEC\xE8 \xE2\xE0\xEB\xB3\xE7\xE0\xEC\xE8?",
            "Чи можеш ти допомогти мені з цими валізами?"},
           {"\xC7\xF3\xF1\xF2\xF0\xB3\xED\xE5\xEC\xEE\xF1\xFF \xE7\xE0\xE2\xF2\xF0\xE0 \xED\xE0 "
            "\xE2\xEE\xEA\xE7\xE0\xEB\xB3 \xEE \xE2\xEE\xF1\xFC\xEC\xB3\xE9.",
            "Зустрінемося завтра на вокзалі о восьмій."},
       }},
      {"Ukrainian in KOI8-U",
       CodePage::kKoi8U,
       {
           {"\xF1 \xCE\xC5 \xDA\xCE\xC1\xC0, \xDD\xCF \xD3\xD4\xC1\xCC\xCF\xD3\xD1 "
            "\xD4\xA6\xA4\xA7 \xCE\xCF\xDE\xA6.",
            "Я не знаю, що сталося тієї ночі."},
           {"\xFE\xC9 \xCD\xCF\xD6\xC5\xDB \xD4\xC9 \xC4\xCF\xD0\xCF\xCD\xCF\xC7\xD4\xC9 "
            "\xCD\xC5\xCE\xA6 \xDA \xC3\xC9\xCD\xC9 \xD7\xC1\xCC\xA6\xDA\xC1\xCD\xC9?",
            "Чи можеш ти допомогти мені з цими валізами?"},
           {"\xFA\xD5\xD3\xD4\xD2\xA6\xCE\xC5\xCD\xCF\xD3\xD1 \xDA\xC1\xD7\xD4\xD2\xC1 \xCE\xC1 "
            "\xD7\xCF\xCB\xDA\xC1\xCC\xA6 \xCF \xD7\xCF\xD3\xD8\xCD\xA6\xCA.",
            "Зустрінемося завтра на вокзалі о восьмій."},
       }},
      {"Bulgarian",
       CodePage::kWindows1251,
       {
           {"\xCD\xE5 \xE7\xED\xE0\xEC \xEA\xE0\xEA\xE2\xEE \xF1\xE5 \xF1\xEB\xF3\xF7\xE8 "
            "\xEE\xED\xE0\xE7\xE8 \xED\xEE\xF9.",
            "Не знам какво се случи онази нощ."},
           {"\xCC\xEE\xE6\xE5\xF8 \xEB\xE8 \xE4\xE0 \xEC\xE8 \xEF\xEE\xEC\xEE\xE3\xED\xE5\xF8 \xF1 "
            "\xF2\xE5\xE7\xE8 \xF7\xE0\xED\xF2\xE8?",
            "Можеш ли да ми помогнеш с тези чанти?"},
           {"\xD9\xE5 \xF1\xE5 \xE2\xE8\xE4\xE8\xEC \xF3\xF2\xF0\xE5 \xED\xE0 "
            "\xE3\xE0\xF0\xE0\xF2\xE0 \xE2 \xEE\xF1\xE5\xEC \xF7\xE0\xF1\xE0.",
            "Ще се видим утре на гарата в осем часа."},
       }},
      {"Greek",
       CodePage::kWindows1253,
       {
           {"\xC4\xE5\xED \xEE\xDD\xF1\xF9 \xF4\xE9 \xF3\xF5\xED\xDD\xE2\xE7 "
            "\xE5\xEA\xE5\xDF\xED\xEF \xF4\xEF \xE2\xF1\xDC\xE4\xF5.",
            "Δεν ξέρω τι συνέβη εκείνο το βράδυ."},
           {"\xCC\xF0\xEF\xF1\xE5\xDF\xF2 \xED\xE1 \xEC\xE5 \xE2\xEF\xE7\xE8\xDE\xF3\xE5\xE9\xF2 "
            "\xEC\xE5 \xE1\xF5\xF4\xDD\xF2 \xF4\xE9\xF2 \xF4\xF3\xDC\xED\xF4\xE5\xF2;",
            "Μπορείς να με βοηθήσεις με αυτές τις τσάντες;"},
           {"\xC8\xE1 \xF3\xF5\xED\xE1\xED\xF4\xE7\xE8\xEF\xFD\xEC\xE5 \xE1\xFD\xF1\xE9\xEF "
            "\xF3\xF4\xEF\xED \xF3\xF4\xE1\xE8\xEC\xFC \xF3\xF4\xE9\xF2 \xEF\xEA\xF4\xFE.",
            "Θα συναντηθούμε αύριο στον σταθμό στις οκτώ."},
           {"\xC7 \xEC\xE7\xF4\xDD\xF1\xE1 \xEC\xEF\xF5 \xDD\xEB\xE5\xE3\xE5 \xF0\xDC\xED\xF4\xE1 "
            "\xFC\xF4\xE9 \xE7 \xF5\xF0\xEF\xEC\xEF\xED\xDE \xE5\xDF\xED\xE1\xE9 \xF4\xEF "
            "\xEA\xEB\xE5\xE9\xE4\xDF.",
            "Η μητέρα μου έλεγε πάντα ότι η υπομονή είναι το κλειδί."},
       }},
      {"Hebrew",
       CodePage::kWindows1255,
       {
           {"\xE0\xF0\xE9 \xEC\xE0 \xE9\xE5\xE3\xF2 \xEE\xE4 \xF7\xF8\xE4 \xE1\xE0\xE5\xFA\xE5 "
            "\xEC\xE9\xEC\xE4.",
            "אני לא יודע מה קרה באותו לילה."},
           {"\xE0\xFA\xE4 \xE9\xEB\xE5\xEC \xEC\xF2\xE6\xE5\xF8 \xEC\xE9 \xF2\xED "
            "\xE4\xFA\xE9\xF7\xE9\xED \xE4\xE0\xEC\xE4?",
            "אתה יכול לעזור לי עם התיקים האלה?"},
           {"\xF0\xE9\xF4\xE2\xF9 \xEE\xE7\xF8 \xE1\xFA\xE7\xF0\xE4 \xE1\xF9\xF2\xE4 "
            "\xF9\xEE\xE5\xF0\xE4.",
            "ניפגש מחר בתחנה בשעה שמונה."},
           {"\xE0\xEE\xE0 \xF9\xEC\xE9 \xFA\xEE\xE9\xE3 \xE0\xEE\xF8\xE4 "
            "\xF9\xF1\xE1\xEC\xF0\xE5\xFA \xE4\xE9\xE0 \xE4\xEE\xF4\xFA\xE7.",
            "אמא שלי תמיד אמרה שסבלנות היא המפתח."},
       }},
      {"Thai",
       CodePage::kWindows874,
       {
           {"\xA9\xD1\xB9\xE4\xC1\xE8\xC3\xD9\xE9\xC7\xE8\xD2\xE0\xA1\xD4\xB4\xCD\xD0\xE4\xC3\xA2"
            "\xD6\xE9\xB9\xE3\xB9\xA4\xD7\xB9\xB9\xD1\xE9\xB9",
            "ฉันไม่รู้ว่าเกิดอะไรขึ้นในคืนนั้น"},
           {"\xA4\xD8\xB3\xAA\xE8\xC7\xC2\xB6\xD7\xCD\xA1\xC3\xD0\xE0\xBB\xEB\xD2\xBE\xC7\xA1\xB9"
            "\xD5\xE9\xE3\xCB\xE9\xA9\xD1\xB9\xE4\xB4\xE9\xE4\xCB\xC1",
            "คุณช่วยถือกระเป๋าพวกนี้ให้ฉันได้ไหม"},
           {"\xBE\xC3\xD8\xE8\xA7\xB9\xD5\xE9\xE0\xC3\xD2\xA8\xD0\xE0\xA8\xCD\xA1\xD1\xB9\xB7\xD5"
            "\xE8\xCA\xB6\xD2\xB9\xD5\xB5\xCD\xB9\xE1\xBB\xB4\xE2\xC1\xA7",
            "พรุ่งนี้เราจะเจอกันที่สถานีตอนแปดโมง"},
       }},
      {"Polish",
       CodePage::kWindows1250,
       {
           {"Nie wiem, co si\xEA sta\xB3o tamtej nocy.", "Nie wiem, co się stało tamtej nocy."},
           {"Czy mo\xBF"
            "esz mi pom\xF3"
            "c nie\x9C\xE6 te torby?",
            "Czy możesz mi pomóc nieść te torby?"},
           {"Spotkamy si\xEA jutro na dworcu o \xF3smej.", "Spotkamy się jutro na dworcu o ósmej."},
           {"Mama zawsze m\xF3wi\xB3"
            "a, \xBF"
            "e cierpliwo\x9C\xE6 jest kluczem do wszystkiego.",
            "Mama zawsze mówiła, że cierpliwość jest kluczem do wszystkiego."},
           {"\x8Fle si\xEA czuj\xEA, musz\xEA i\x9C\xE6 do \xB3\xF3\xBFka.",
            "Źle się czuję, muszę iść do łóżka."},
       }},
      {"Hungarian",
       CodePage::kWindows1250,
       {
           {"Nem tudom, mi t\xF6rt\xE9nt azon az \xE9jszak\xE1n.",
            "Nem tudom, mi történt azon az éjszakán."},
           {"Tudn\xE1l seg\xEDteni cipelni ezeket a t\xE1sk\xE1kat?",
            "Tudnál segíteni cipelni ezeket a táskákat?"},
           {"Holnap reggel nyolckor tal\xE1lkozunk az \xE1llom\xE1son.",
            "Holnap reggel nyolckor találkozunk az állomáson."},
           {"Any\xE1m mindig azt mondta, hogy a t\xFCrelem a kulcs mindenhez.",
            "Anyám mindig azt mondta, hogy a türelem a kulcs mindenhez."},
           {"\xD5 sosem hazudott nek\xFCnk, ezt j\xF3l tudod.",
            "Ő sosem hazudott nekünk, ezt jól tudod."},
       }},
      {"Czech",
       CodePage::kWindows1250,
       {
           {"Nev\xEDm, co se t\xE9 noci stalo.", "Nevím, co se té noci stalo."},
           {"M\xF9\x9E"
            "e\x9A mi pomoct s t\xECmi ta\x9Akami?",
            "Můžeš mi pomoct s těmi taškami?"},
           {"Uvid\xEDme se z\xEDtra r\xE1no v osm na n\xE1"
            "dra\x9E\xED.",
            "Uvidíme se zítra ráno v osm na nádraží."},
           {"\xD8"
            "ekla mi, \x9E"
            "e u\x9E se nikdy nevr\xE1t\xED.",
            "Řekla mi, že už se nikdy nevrátí."},
       }},
      {"Turkish",
       CodePage::kWindows1254,
       {
           {"O gece ne oldu\xF0unu bilmiyorum.", "O gece ne olduğunu bilmiyorum."},
           {"Bu \xE7"
            "antalar\xFD ta\xFE\xFDmama yard\xFDm eder misin?",
            "Bu çantaları taşımama yardım eder misin?"},
           {"Yar\xFDn sabah sekizde istasyonda bulu\xFE"
            "al\xFDm.",
            "Yarın sabah sekizde istasyonda buluşalım."},
           {"Annem her zaman sabr\xFDn her \xFE"
            "eyin anahtar\xFD oldu\xF0unu s\xF6ylerdi.",
            "Annem her zaman sabrın her şeyin anahtarı olduğunu söylerdi."},
       }},
      {"Vietnamese",
       CodePage::kWindows1258,
       {
           {"T\xF4i kh\xF4ng bi\xEA\xECt chuy\xEA\xF2n gi\xCC \xF0"
            "a\xDE xa\xD2y ra \xF0\xEAm \xF0\xF3.",
            "Tôi không biết chuyện gì đã xảy ra đêm đó."},
           {"Ng\xE0y mai ch\xFAng ta g\xE3\xF2p nhau \xF5\xD2 nh\xE0 ga l\xFA"
            "c t\xE1m gi\xF5\xCC.",
            "Ngày mai chúng ta gặp nhau ở nhà ga lúc tám giờ."},
           {"Me\xF2 t\xF4i lu\xF4n n\xF3i r\xE3\xCCng ki\xEAn nh\xE2\xDEn l\xE0 chi\xCC"
            "a kh\xF3"
            "a.",
            "Mẹ tôi luôn nói rằng kiên nhẫn là chìa khóa."},
       }},
      {"French",
       CodePage::kWindows1252,
       {
           {"O\xF9 est la biblioth\xE8que ? Je ne sais pas.",
            "Où est la bibliothèque ? Je ne sais pas."},
           {"Demande \xE0 ta s\x9Cur, elle l\x92"
            "a vue hier soir.",
            "Demande à ta sœur, elle l’a vue hier soir."},
           {"Il faut qu\x92on parte avant la fin de l\x92\xE9t\xE9.",
            "Il faut qu’on parte avant la fin de l’été."},
           {"\xC7"
            "a ne me regarde pas, c\x92"
            "est ton probl\xE8me.",
            "Ça ne me regarde pas, c’est ton problème."},
           {"Je t\x92"
            "attendrai pr\xE8s du ch\xE2teau, \xE0 c\xF4t\xE9 de l\x92\xE9glise.",
            "Je t’attendrai près du château, à côté de l’église."},
       }},
      {"German",
       CodePage::kWindows1252,
       {
           {"Ich wei\xDF nicht, was in jener Nacht passiert ist.",
            "Ich weiß nicht, was in jener Nacht passiert ist."},
           {"Kannst du mir bitte mit den Taschen helfen?",
            "Kannst du mir bitte mit den Taschen helfen?"},
           {"Wir treffen uns morgen fr\xFCh um acht am Bahnhof.",
            "Wir treffen uns morgen früh um acht am Bahnhof."},
           {"Meine Mutter sagte immer, Geduld sei der Schl\xFCssel.",
            "Meine Mutter sagte immer, Geduld sei der Schlüssel."},
           {"H\xF6r auf, so zu tun, als w\xE4re alles in Ordnung.",
            "Hör auf, so zu tun, als wäre alles in Ordnung."},
       }},
      {"Spanish",
       CodePage::kWindows1252,
       {
           {"\xBF"
            "D\xF3nde est\xE1 la estaci\xF3n? No lo s\xE9.",
            "¿Dónde está la estación? No lo sé."},
           {"Ma\xF1"
            "ana nos vemos a las ocho en la plaza.",
            "Mañana nos vemos a las ocho en la plaza."},
           {"\xA1No me digas que otra vez llegas tarde!",
            "¡No me digas que otra vez llegas tarde!"},
           {"Mi madre siempre dec\xED"
            "a que la paciencia es la clave.",
            "Mi madre siempre decía que la paciencia es la clave."},
           {"\xC9l nunca me cont\xF3 la verdad sobre su coraz\xF3n.",
            "Él nunca me contó la verdad sobre su corazón."},
       }},
      {"Italian",
       CodePage::kWindows1252,
       {
           {"Non so cosa sia successo quella notte.", "Non so cosa sia successo quella notte."},
           {"Perch\xE9 non mi hai detto la verit\xE0?", "Perché non mi hai detto la verità?"},
           {"Ci vediamo domani alle otto alla stazione, per\xF2 non tardare.",
            "Ci vediamo domani alle otto alla stazione, però non tardare."},
           {"\xC8 gi\xE0 tardi, dobbiamo andare.", "È già tardi, dobbiamo andare."},
           {"Cos\xEC non pu\xF2 pi\xF9 andare avanti.", "Così non può più andare avanti."},
       }},
      {"Portuguese",
       CodePage::kWindows1252,
       {
           {"N\xE3o sei o que aconteceu naquela noite.", "Não sei o que aconteceu naquela noite."},
           {"Voc\xEA pode me ajudar com estas malas?", "Você pode me ajudar com estas malas?"},
           {"Amanh\xE3 nos encontramos \xE0s oito na esta\xE7\xE3o.",
            "Amanhã nos encontramos às oito na estação."},
           {"Minha m\xE3"
            "e sempre dizia que a paci\xEAncia \xE9 a chave.",
            "Minha mãe sempre dizia que a paciência é a chave."},
           {"Ele n\xE3o est\xE1 em condi\xE7\xF5"
            "es de dirigir.",
            "Ele não está em condições de dirigir."},
       }},
      {"Swedish",
       CodePage::kWindows1252,
       {
           {"Jag vet inte vad som h\xE4nde den natten.", "Jag vet inte vad som hände den natten."},
           {"Kan du hj\xE4lpa mig att b\xE4ra v\xE4skorna?",
            "Kan du hjälpa mig att bära väskorna?"},
           {"Vi ses i morgon klockan \xE5tta p\xE5 stationen.",
            "Vi ses i morgon klockan åtta på stationen."},
           {"Mamma sa alltid att t\xE5lamod \xE4r nyckeln till allt.",
            "Mamma sa alltid att tålamod är nyckeln till allt."},
       }},
      {"Danish",
       CodePage::kWindows1252,
       {
           {"Jeg ved ikke, hvad der skete den nat.", "Jeg ved ikke, hvad der skete den nat."},
           {"Kan du hj\xE6lpe mig med at b\xE6re t\xF8jet?",
            "Kan du hjælpe mig med at bære tøjet?"},
           {"Vi ses i morgen klokken otte p\xE5 stationen.",
            "Vi ses i morgen klokken otte på stationen."},
           {"Det er ikke min skyld, at b\xF8gerne blev v\xE6k.",
            "Det er ikke min skyld, at bøgerne blev væk."},
       }},
      {"Dutch",
       CodePage::kWindows1252,
       {
           {"Ik weet niet wat er die nacht is gebeurd.",
            "Ik weet niet wat er die nacht is gebeurd."},
           {"Het caf\xE9 is gesloten, maar de re\xFCnie gaat door.",
            "Het café is gesloten, maar de reünie gaat door."},
           {"Zij zei: \x93Ik kom morgen terug.\x94", "Zij zei: “Ik kom morgen terug.”"},
           {"Dat is een co\xF6peratie, geen bedrijf.", "Dat is een coöperatie, geen bedrijf."},
       }},
      {"English",
       CodePage::kWindows1252,
       {
           {"\x93I don\x92t know what happened that night.\x94",
            "“I don’t know what happened that night.”"},
           {"It\x92s over \x96 we\x92re leaving\x85 now.", "It’s over – we’re leaving… now."},
           {"She said, \x93"
            "Don\x92t wait for me.\x94",
            "She said, “Don’t wait for me.”"},
           {"That\x92ll cost you \x80"
            "20, mate.",
            "That’ll cost you €20, mate."},
       }},
  };
  return samples;
}

bool IsLatin(const LegacySample& sample) {
  switch (sample.code_page) {
    case CodePage::kWindows1250:
    case CodePage::kWindows1252:
    case CodePage::kWindows1254:
    case CodePage::kWindows1257:
    case CodePage::kWindows1258:
      return true;
    default:
      return false;
  }
}

std::string SubRip(const std::vector<std::string_view>& texts) {
  std::string file;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    file += std::to_string(i + 1) + "\r\n00:00:01,000 --> 00:00:02,500\r\n";
    file += texts[i];
    file += "\r\n\r\n";
  }
  return file;
}

std::string CueLines(const std::vector<std::string_view>& utf8) {
  std::string lines = "\xEF\xBB\xBF";
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    lines += std::to_string(i + 1) + " 00;00;01;00 00;00;02;15 ";
    lines += utf8[i];
    lines += " \r\n";
  }
  return lines;
}

}  // namespace kestrane::testing
