#!/usr/bin/python3
"""Makes the sample files the import is tested with, each with the program people make them with.

The workbooks come from openpyxl, xlsxwriter, gnumeric's ssconvert and LibreOffice headless; the
CSV files carry the column layouts of Google Contacts, Outlook and Thunderbird exports; the vCards
are written as Android 2.1, iOS 3.0 and Nextcloud 4.0 write them. The files are kept in the tree
(tests/exchange/samples), so tests need none of these programs; run this again to remake them.

usage: make-import-samples.py [DIR]     (setup: scripts/setup.sh samples)
"""

import datetime
import os
import shutil
import subprocess
import sys
import tempfile

import openpyxl
import xlsxwriter
from openpyxl.styles import Alignment


def class_list_openpyxl(path):
    """A class list as a teacher keeps it: a merged title, a note, the table, a footer; a second
    class on its own sheet, and a sheet of notes."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "高三(2)班"
    ws.merge_cells("A1:G1")
    ws["A1"] = "2026届高三(2)班通讯录"
    ws["A1"].alignment = Alignment(horizontal="center")
    ws["A2"] = "（请核对后交班主任）"
    ws.append(["序号", "姓名", "性别", "出生年月", "联系电话", "家庭住址", "备注"])
    ws.append([1, "张  三", "男", datetime.datetime(2008, 3, 5), 13800138000, "湖北省武汉市洪山区珞喻路1号", "班长"])
    ws.cell(row=4, column=4).number_format = "yyyy-mm-dd"   # a date cell, as Excel shows it
    ws.append([2, "迪丽娜尔·阿不都拉", "女", "2008.03", "+86 27 8765 4321",
               "新疆维吾尔自治区乌鲁木齐市天山区人民路二十九号院三栋", None])
    ws.append([3, "Alexander Brown", "M", "2008年11月20日", "1.38001E+10", None, "交换生"])
    ws.append([4, "李四", "女", "3/5/2008", "１３９００１３９０００", None, None])
    ws.append([5, "王五", "male", "25/3/2008", "027-87654321-808", None, None])
    ws.append([])
    ws.merge_cells("A10:G10")
    ws["A10"] = "制表人：王老师  2026年9月"
    ws["A11"] = "合计：5人"

    second = wb.create_sheet("高三(3)班")
    second.append(["姓名", "手机", "QQ", "宿舍"])
    second.append(["赵六", 13900139001, 123456, "5-302"])
    second.append(["张三", "13800138000", None, None])
    notes = wb.create_sheet("说明")
    notes["A1"] = "本表由班委整理"
    notes["A2"] = "如有错误请联系王老师"
    wb.save(path)


def two_level_xlsxwriter(path):
    """Titles on two rows: 手机 and QQ under a merged 联系方式."""
    wb = xlsxwriter.Workbook(path)
    ws = wb.add_worksheet("通讯录")
    date = wb.add_format({"num_format": "yyyy年m月d日"})
    ws.merge_range("A1:A2", "姓名")
    ws.merge_range("B1:C1", "联系方式")
    ws.merge_range("D1:D2", "宿舍号")
    ws.merge_range("E1:E2", "生日")
    ws.write("B2", "手机")
    ws.write("C2", "QQ")
    ws.write("A3", "孙八")
    ws.write_number("B3", 13700137000)
    ws.write_number("C3", 88888)
    ws.write("D3", "3-201")
    ws.write_datetime("E3", datetime.datetime(1995, 7, 1), date)
    ws.write("A4", "周九")
    ws.write("B4", "137-0013-7001")
    ws.write("D4", "3-202")
    ws.write("E4", "1995/7/2")
    wb.close()


def gnumeric_from_csv(folder, xlsx, ods):
    """A GBK CSV with a title line, opened in gnumeric and saved as a workbook and a spreadsheet."""
    csv = os.path.join(folder, "gnumeric.csv")
    with open(csv, "wb") as f:
        f.write("2026届高三(2)班通讯录\r\n姓名,性别,手机号码,电子邮件\r\n吴十,男,13600136000,ws@example.com\r\n"
                "郑十一,女,+86 136 0013 6001,zsy@example.com\r\n".encode("gb18030"))
    for out, exporter in ((xlsx, "Gnumeric_Excel:xlsx"), (ods, "Gnumeric_OpenCalc:odf")):
        subprocess.run(["ssconvert", "--import-encoding=GB18030", "-T", exporter, csv, out], check=True,
                       capture_output=True)


def libreoffice(source, folder, extension):
    """The file as LibreOffice saves it, converted headless."""
    profile = tempfile.mkdtemp(prefix="txl-lo-")
    try:
        subprocess.run(["soffice", "-env:UserInstallation=file://" + profile, "--headless", "--convert-to", extension,
                        "--outdir", folder, source], check=True, capture_output=True, timeout=180)
    finally:
        shutil.rmtree(profile, ignore_errors=True)


GOOGLE = (
    "First Name,Middle Name,Last Name,Phonetic First Name,Phonetic Middle Name,Phonetic Last Name,Name Prefix,"
    "Name Suffix,Nickname,File As,Organization Name,Organization Title,Organization Department,Birthday,Notes,Photo,"
    "Labels,E-mail 1 - Label,E-mail 1 - Value,Phone 1 - Label,Phone 1 - Value,Phone 2 - Label,Phone 2 - Value,"
    "Address 1 - Label,Address 1 - Formatted,Address 1 - Street,Address 1 - City,Address 1 - PO Box,"
    "Address 1 - Region,Address 1 - Postal Code,Address 1 - Country,Address 1 - Extended Address\r\n"
    "三,,张,,,,,,,,,,,1990-11-20,,,* myContacts,* Home,zs@example.com,Work,010-62345678,Mobile,+86 138 0013 8000,"
    "Home,\"珞喻路1号\n武汉市 湖北省\",珞喻路1号,武汉市,,湖北省,,,\r\n"
    "Alexander,,Brown,,,,,,,,,,,--11-20,,,* myContacts,,,Mobile,+1 650 555 0100 ::: +1 650 555 0101,Home,"
    "+86 27 8765 4321,,,,,,,,,\r\n")

GOOGLE_OLD = (
    "Name,Given Name,Additional Name,Family Name,Yomi Name,Given Name Yomi,Additional Name Yomi,Family Name Yomi,"
    "Name Prefix,Name Suffix,Initials,Nickname,Short Name,Maiden Name,Birthday,Gender,Location,Billing Information,"
    "Directory Server,Mileage,Occupation,Hobby,Sensitivity,Priority,Subject,Notes,Language,Photo,Group Membership,"
    "E-mail 1 - Type,E-mail 1 - Value,Phone 1 - Type,Phone 1 - Value,Phone 2 - Type,Phone 2 - Value,"
    "Address 1 - Type,Address 1 - Formatted,Address 1 - Street,Address 1 - City,Address 1 - PO Box,"
    "Address 1 - Region,Address 1 - Postal Code,Address 1 - Country,Address 1 - Extended Address\r\n"
    ",四,,李,,,,,,,,,,,1991-02-03,female,,,,,,,,,,,,,* My Contacts,* Other,ls@example.com,Home,0571-88888888,"
    "Mobile,139-0013-9000,,,,,,,,,\r\n")

OUTLOOK = (
    '"First Name","Middle Name","Last Name","Title","Suffix","Initials","Web Page","Gender","Birthday",'
    '"Anniversary","Location","Language","Internet Free Busy","Notes","E-mail Address","E-mail 2 Address",'
    '"E-mail 3 Address","Primary Phone","Home Phone","Home Phone 2","Mobile Phone","Pager","Home Fax",'
    '"Home Address","Home Street","Home Street 2","Home Street 3","Home Address PO Box","Home City","Home State",'
    '"Home Postal Code","Home Country/Region","Business Phone","Company"\r\n'
    '"Anna","","Smith","","","","","Female","5/3/1990","0/0/00","","","","","anna@example.com","","","",'
    '"+44 20 7946 0000","","07700 900123","","","","1 High Street","","","","London","","SW1A 1AA",'
    '"United Kingdom","+44 20 7946 0999","ACME"\r\n'
    '"Bob","","Lee","","","","","Unspecified","0/0/00","0/0/00","","","","","bob@example.com","","","","","",'
    '"","","","","","","","","","","","","",""\r\n')

OUTLOOK_CHINESE = (
    "名,姓,中间名,称谓,后缀,缩写,网页,性别,生日,纪念日,位置,语言,Internet 忙闲,备注,电子邮件地址,电子邮件 2 地址,"
    "主要电话,住宅电话,住宅电话 2,移动电话,住宅所在街道,住宅所在地的市/县,住宅所在地的省/市/自治区,住宅所在地的邮政编码,"
    "住宅所在国家/地区,商务电话,公司\r\n"
    "小明,王,,,,,,男,1992-4-5,,,,,,xm@example.com,,,010-62345678,,138-0013-8001,中关村大街1号,海淀区,北京市,100080,"
    "中国,010-88888888,某公司\r\n"
    "小红,李,,,,,,未指定,,,,,,,,,,,,13900139002,,,,,,,\r\n")

THUNDERBIRD = (
    "First Name,Last Name,Display Name,Nickname,Primary Email,Secondary Email,Screen Name,Work Phone,Home Phone,"
    "Fax Number,Pager Number,Mobile Number,Home Address,Home Address 2,Home City,Home State,Home ZipCode,"
    "Home Country,Work Address,Work Address 2,Work City,Work State,Work ZipCode,Work Country,Job Title,Department,"
    "Organization,Web Page 1,Web Page 2,Birth Year,Birth Month,Birth Day,Custom 1,Custom 2,Custom 3,Custom 4,"
    "Notes,\r\n"
    "Carol,Wu,Carol Wu,,carol@example.com,,,+86 21 5555 0000,021-6666 7777,,,+86 137 0013 7002,1 Nanjing Road,"
    "Apt 2,Shanghai,,200000,China,,,,,,,,,,,,1993,7,,,,,,,\r\n"
    "晓东,陈,,,cxd@example.com,,,,,,,13700137003,,,,,,,,,,,,,,,,,,1994,12,25,,,,,,\r\n")

ANDROID_21 = (
    "BEGIN:VCARD\r\nVERSION:2.1\r\n"
    "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E9=92=B1;=E4=B8=83;;;\r\n"
    "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E9=92=B1=E4=B8=83\r\n"
    "TEL;WORK:010-62345678\r\nTEL;HOME:0571-88888888\r\nTEL;CELL;PREF:+86 138 0013 8002\r\nTEL;CELL:13800138003\r\n"
    "EMAIL;HOME:qq7@example.com\r\nEMAIL;PREF;WORK:q7@work.example.com\r\n"
    "BDAY:1990-05-06\r\n"
    "END:VCARD\r\n")

IOS_30 = (
    "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Apple Inc.//iPhone OS 17.0//EN\r\n"
    "N:李;四;;;\r\nFN:李四\r\n"
    "item1.TEL;type=CELL;type=VOICE:13900139004\r\nTEL;type=CELL;type=VOICE;type=pref:13900139005\r\n"
    "TEL;type=WORK;type=VOICE:021-55550000\r\n"
    "BDAY;X-APPLE-OMIT-YEAR=1604:1604-12-31\r\n"
    "item2.ADR;type=HOME;type=pref:;;南京路1号;上海市;上海市;200000;中国\r\n"
    "END:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Smith;Jane;;;\r\nFN:Jane Smith\r\nBDAY:1989-01-02\r\n"
    "EMAIL;type=INTERNET;type=HOME:jane@home.example.com\r\nEMAIL;type=INTERNET;type=WORK;type=pref:jane@example.com\r\n"
    "END:VCARD\r\n")

NEXTCLOUD_40 = (
    "BEGIN:VCARD\r\nVERSION:4.0\r\nPRODID:-//Sabre//Sabre VObject 4.5.3//EN\r\n"
    "UID:5a7e3c1f-0b5e-4a3e-9a1f-2b9d2f6c0e11\r\nFN:周杰\r\nN:周;杰;;;\r\nGENDER:M\r\n"
    "TEL;TYPE=\"cell,voice\";VALUE=uri:tel:+86-139-0013-9006\r\nTEL;TYPE=home;VALUE=uri:tel:+86-10-6234-5678\r\n"
    "EMAIL;PREF=1:zj@example.com\r\nBDAY:--1120\r\nIMPP:qq:10001\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:4.0\r\nUID:0c2f5f52-8e2d-4a1b-bb2c-8c6f1d5a2e90\r\nN:欧阳;娜娜;;;\r\nGENDER:F\r\n"
    "BDAY:19980203\r\nEND:VCARD\r\n")


def main():
    folder = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                             os.path.join(os.path.dirname(__file__), "..", "tests", "exchange", "samples"))
    os.makedirs(folder, exist_ok=True)
    work = tempfile.mkdtemp(prefix="txl-samples-")
    try:
        class_list_openpyxl(os.path.join(folder, "class-openpyxl.xlsx"))
        two_level_xlsxwriter(os.path.join(folder, "two-level-xlsxwriter.xlsx"))
        gnumeric_from_csv(work, os.path.join(folder, "title-gnumeric.xlsx"), os.path.join(folder, "title-gnumeric.ods"))
        libreoffice(os.path.join(folder, "class-openpyxl.xlsx"), work, "ods")
        shutil.move(os.path.join(work, "class-openpyxl.ods"), os.path.join(folder, "class-libreoffice.ods"))
        texts = {"google.csv": (GOOGLE, "utf-8-sig"), "google-old.csv": (GOOGLE_OLD, "utf-8"),
                 "outlook.csv": (OUTLOOK, "utf-8"), "outlook-chinese.csv": (OUTLOOK_CHINESE, "gb18030"),
                 "thunderbird.csv": (THUNDERBIRD, "utf-8"), "android-2.1.vcf": (ANDROID_21, "utf-8"),
                 "ios-3.0.vcf": (IOS_30, "utf-8"), "nextcloud-4.0.vcf": (NEXTCLOUD_40, "utf-8")}
        for name, (text, encoding) in texts.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(text.encode(encoding))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for name in sorted(os.listdir(folder)):
        print(name)


if __name__ == "__main__":
    main()
